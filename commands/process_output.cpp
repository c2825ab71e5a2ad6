// Running a console program hidden and handing its output to the caller
// as it comes.
#include <windows.h>

#include <string>
#include <vector>

#include "commands/core_library.h"
#include "commands/thread_messages.h"
#include "runtime/services.h"

namespace {

// What the pipe's reader thread and the waiting command share. Either may
// be the last to let go of it: a program that left a child holding the
// pipe keeps the reader blocked after the command has returned.
struct OutputPipe {
  HANDLE read = nullptr;
  HANDLE arrived = nullptr;  // auto-reset: output is waiting
  CRITICAL_SECTION lock;
  std::string waiting;
  LONG holders = 2;

  OutputPipe() { InitializeCriticalSection(&lock); }
  ~OutputPipe() {
    DeleteCriticalSection(&lock);
    if (read) CloseHandle(read);
    if (arrived) CloseHandle(arrived);
  }
  void Release() {
    if (InterlockedDecrement(&holders) == 0) delete this;
  }
  std::string Take() {
    EnterCriticalSection(&lock);
    std::string taken;
    taken.swap(waiting);
    LeaveCriticalSection(&lock);
    return taken;
  }
};

// Programs write a line or an entry at a time; a pause after each read
// lets the output gather in the pipe, so that a listing of thousands of
// entries is read and handed over in tens of pieces, not thousands.
constexpr DWORD kGatherMs = 5;

DWORD WINAPI ReadPipe(void* parameter) {
  auto* pipe = static_cast<OutputPipe*>(parameter);
  std::vector<char> buffer(1 << 16);
  DWORD got = 0;
  while (ReadFile(pipe->read, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr) && got > 0) {
    EnterCriticalSection(&pipe->lock);
    pipe->waiting.append(buffer.data(), got);
    LeaveCriticalSection(&pipe->lock);
    SetEvent(pipe->arrived);
    Sleep(kGatherMs);
  }
  pipe->Release();
  return 0;
}

// The reader subroutine gets (parameter, text, length); the text ends with
// a zero and is the command's own until the call returns.
void Deliver(uint32_t reader, uint32_t parameter, const std::string& output) {
  if (!reader || output.empty()) return;
  const uint32_t words[3] = {parameter, WordOf(output.c_str()), static_cast<uint32_t>(output.size())};
  CallSaved(reader, 3, words);
}

HANDLE InheritableNul() {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  return CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0,
                     nullptr);
}

// The program and whatever it starts belong to the caller: they end when
// the caller's process ends, however it ends, since its handle to the job
// is then the last one closed.
HANDLE JobThatEndsWithUs() {
  HANDLE job = CreateJobObjectA(nullptr, nullptr);
  if (!job) return nullptr;
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits);
  return job;
}

// The exit code a program stopped by its caller ends with.
constexpr UINT kStoppedCode = 255;

// How long output may still come once the program has ended: only a
// program that left a child of its own holding the pipe keeps it open.
constexpr DWORD kDrainMs = 2000;

}  // namespace

// Arguments: command line; reader (subroutine pointer, optional);
// parameter for the reader (integer, optional); integer variable by
// reference for the exit code (optional, -1 when it cannot be told); an
// event handle (integer, optional) whose signal stops the program (its
// exit code is then 255).
// The program runs without a window, reads an empty input (so it can
// never wait for an answer) and writes both its outputs into one pipe.
void __cdecl RunAndReadOutput(TypedValue* result, int32_t count, const TypedValue* args) {
  const char* text = AddressOf<const char>(WordAt(count, args, 0));
  const TypedValue* readerArgument = GivenArgument(count, args, 1);
  const TypedValue* parameterArgument = GivenArgument(count, args, 2);
  const TypedValue* exitCodeVariable = GivenArgument(count, args, 3);
  const uint32_t reader = readerArgument ? readerArgument->low : 0;
  const uint32_t parameter = parameterArgument ? parameterArgument->low : 0;
  int32_t* exitCode = exitCodeVariable ? AddressOf<int32_t>(exitCodeVariable->low) : nullptr;
  const TypedValue* stopArgument = GivenArgument(count, args, 4);
  const HANDLE stop = stopArgument ? reinterpret_cast<HANDLE>(static_cast<uintptr_t>(stopArgument->low)) : nullptr;
  if (exitCode) *exitCode = -1;

  auto* pipe = new OutputPipe;
  HANDLE write = nullptr;
  HANDLE input = InheritableNul();
  pipe->arrived = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  // Only the program's end of the pipe is ever inheritable: a process that
  // another thread starts meanwhile must not keep our end open.
  if (input == INVALID_HANDLE_VALUE || !pipe->arrived || !CreatePipe(&pipe->read, &write, nullptr, 1 << 16) ||
      !SetHandleInformation(write, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT)) {
    if (input != INVALID_HANDLE_VALUE) CloseHandle(input);
    if (write) CloseHandle(write);
    delete pipe;
    return;
  }
  const HANDLE job = JobThatEndsWithUs();

  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  startup.hStdInput = input;
  startup.hStdOutput = write;
  startup.hStdError = write;
  std::string commandLine = text ? text : "";
  PROCESS_INFORMATION process{};
  // Started held, so that it is in the job before it can start anything.
  const BOOL started = !commandLine.empty() &&
                       CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE,
                                      CREATE_NO_WINDOW | CREATE_SUSPENDED, nullptr, nullptr, &startup, &process);
  // Only the program holds the pipe's writing end now: its end is ours.
  CloseHandle(write);
  CloseHandle(input);
  if (started && job) AssignProcessToJobObject(job, process.hProcess);
  HANDLE readerThread = started ? CreateThread(nullptr, 0, &ReadPipe, pipe, 0, nullptr) : nullptr;
  if (!started || !readerThread) {
    if (started) {
      TerminateProcess(process.hProcess, kStoppedCode);
      CloseHandle(process.hThread);
      CloseHandle(process.hProcess);
    }
    if (job) CloseHandle(job);
    delete pipe;
    return;
  }
  ResumeThread(process.hThread);

  const bool serve = ThreadHasWindows();
  const HANDLE waits[4] = {pipe->arrived, readerThread, process.hProcess, stop};
  const DWORD watched = stop ? 4 : 3;
  bool ended = false;
  for (;;) {
    const DWORD woken = WaitServingWindows(ended ? 2 : watched, waits, ended ? kDrainMs : INFINITE, serve);
    Deliver(reader, parameter, pipe->Take());
    if (woken == WAIT_OBJECT_0 + 3) {
      // Stopped by the caller: the program and all it started, at once.
      if (!job || !TerminateJobObject(job, kStoppedCode)) TerminateProcess(process.hProcess, kStoppedCode);
      WaitServingWindows(1, &process.hProcess, INFINITE, serve);
      ended = true;
    }
    if (woken == WAIT_OBJECT_0 + 2) ended = true;
    if (woken == WAIT_OBJECT_0 + 1 || woken == WAIT_TIMEOUT || woken == WAIT_FAILED) break;
  }
  // The reader may have read a last piece since.
  Deliver(reader, parameter, pipe->Take());
  WaitServingWindows(1, &process.hProcess, INFINITE, serve);
  DWORD code = 0;
  if (exitCode) *exitCode = GetExitCodeProcess(process.hProcess, &code) ? static_cast<int32_t>(code) : -1;
  CloseHandle(readerThread);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  // Whatever the program left running ends with the job.
  if (job) CloseHandle(job);
  pipe->Release();
  SetWord(result, 1);
}
