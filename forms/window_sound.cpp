#include "forms/window_sound.h"

#include <mmsystem.h>

#include <cstdio>
#include <cstring>

#include "forms/byte_reader.h"
#include "runtime/runtime_app.h"

namespace {

// PlaySound is one per process; the runtime's sound lock keeps two players
// from interleaving a stop and a start, and guards the sound's owner.
class SoundLock {
 public:
  SoundLock() : lock_(RuntimeApp::Exists() ? &RuntimeApp::Get().soundLock : nullptr) {
    if (lock_) EnterCriticalSection(lock_);
  }
  ~SoundLock() {
    if (lock_) LeaveCriticalSection(lock_);
  }
  SoundLock(const SoundLock&) = delete;
  SoundLock& operator=(const SoundLock&) = delete;

 private:
  CRITICAL_SECTION* lock_;
};

bool WriteTemporaryFile(const uint8_t* bytes, uint32_t size, std::string* path) {
  char directory[MAX_PATH], name[MAX_PATH];
  if (!GetTempPathA(sizeof directory, directory) || !GetTempFileNameA(directory, "qkm", 0, name))
    return false;
  HANDLE file = CreateFileA(name, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    DeleteFileA(name);
    return false;
  }
  DWORD written = 0;
  const bool ok = WriteFile(file, bytes, size, &written, nullptr) && written == size;
  CloseHandle(file);
  if (!ok) {
    DeleteFileA(name);
    return false;
  }
  *path = name;
  return true;
}

bool Mci(const std::string& command, HWND notify = nullptr) {
  return mciSendStringA(command.c_str(), nullptr, 0, notify) == 0;
}

SoundPlayer g_player = nullptr;
const void* g_soundOwner = nullptr;  // under the sound lock

SoundPlayer Player() { return g_player ? g_player : &PlaySoundA; }

}  // namespace

void SetSoundPlayer(SoundPlayer player) { g_player = player; }

// A call that plays nothing leaves the owner as it was: the sound before
// may still be playing.
bool PlayOwnedSound(const void* owner, LPCSTR sound, HMODULE module, DWORD flags) {
  SoundLock lock;
  if (!Player()(sound, module, flags)) return false;
  g_soundOwner = owner;
  return true;
}

void StopOwnedSound(const void* owner) {
  SoundLock lock;
  if (!owner || g_soundOwner != owner) return;
  Player()(nullptr, nullptr, 0);
  g_soundOwner = nullptr;
}

bool OwnsProcessSound(const void* owner) {
  SoundLock lock;
  return owner && g_soundOwner == owner;
}

SoundFormat SniffSound(const uint8_t* bytes, uint32_t size) {
  if (!bytes || size < 12) return SoundFormat::kNone;
  if (!std::memcmp(bytes, "MThd", 4)) return SoundFormat::kMidi;
  if (std::memcmp(bytes, "RIFF", 4)) return SoundFormat::kNone;
  if (!std::memcmp(bytes + 8, "RMID", 4)) return SoundFormat::kMidi;  // played from a file
  if (std::memcmp(bytes + 8, "WAVE", 4)) return SoundFormat::kNone;
  // The RIFF length and every chunk within it must lie inside the bytes.
  const uint32_t riff = LoadWord(bytes + 4);
  if (riff < 4 || riff > size - 8) return SoundFormat::kNone;
  const uint32_t end = 8 + riff;
  for (uint32_t at = 12; at < end;) {
    if (end - at < 8) return SoundFormat::kNone;
    const uint32_t chunk = LoadWord(bytes + at + 4);
    if (chunk > end - at - 8) return SoundFormat::kNone;
    at += 8 + chunk;
    if (chunk % 2 && at < end) ++at;  // chunks are padded to even lengths
  }
  return SoundFormat::kWave;
}

void WindowSound::Start(HWND notify, const uint8_t* bytes, uint32_t size, bool loop) {
  const SoundFormat format = SniffSound(bytes, size);
  StopWave();
  if (format != SoundFormat::kMidi) StopMidi();
  loop_ = loop;
  if (format == SoundFormat::kWave) {
    const DWORD flags = SND_MEMORY | SND_ASYNC | SND_NODEFAULT | (loop ? SND_LOOP : 0);
    playingWave_ = PlayOwnedSound(this, reinterpret_cast<const char*>(bytes), nullptr, flags);
  } else if (format == SoundFormat::kMidi) {
    StartMidi(notify, bytes, size);
  }
}

bool WindowSound::StartMidi(HWND notify, const uint8_t* bytes, uint32_t size) {
  std::string path;
  if (!WriteTemporaryFile(bytes, size, &path)) {
    StopMidi();
    return false;
  }
  char alias[48];
  std::snprintf(alias, sizeof alias, "qkmidi%p_%u", static_cast<void*>(this), ++midiSerial_);
  const bool opened = Mci("open \"" + path + "\" type sequencer alias " + alias);
  // The device that played until now closes only after the new one is
  // open, so that the two never share a device id.
  StopMidi();
  if (!opened) {
    DeleteFileA(path.c_str());
    return false;
  }
  midiAlias_ = alias;
  midiFile_ = path;
  midiDevice_ = mciGetDeviceIDA(alias);
  notify_ = notify;
  if (!Mci("play " + midiAlias_ + " notify", notify)) {
    StopMidi();
    return false;
  }
  return true;
}

void WindowSound::Stop() {
  StopWave();
  StopMidi();
}

void WindowSound::StopWave() {
  if (!playingWave_) return;
  StopOwnedSound(this);  // nothing when another sound has taken its place
  playingWave_ = false;
}

void WindowSound::StopMidi() {
  if (!midiAlias_.empty()) {
    Mci("stop " + midiAlias_);
    Mci("close " + midiAlias_);
    midiAlias_.clear();
    midiDevice_ = 0;
    // Notices the closed device left queued would pass for a later one's
    // once its device id is given out again.
    MSG stale;
    while (notify_ && PeekMessageA(&stale, notify_, MM_MCINOTIFY, MM_MCINOTIFY, PM_REMOVE)) {
    }
  }
  if (!midiFile_.empty()) {
    DeleteFileA(midiFile_.c_str());
    midiFile_.clear();
  }
}

void WindowSound::OnMciNotify(WPARAM flags, LPARAM device) {
  if (midiAlias_.empty() || static_cast<UINT>(device) != midiDevice_ || flags != MCI_NOTIFY_SUCCESSFUL)
    return;
  if (loop_ && Mci("seek " + midiAlias_ + " to start") && Mci("play " + midiAlias_ + " notify", notify_))
    return;
  StopMidi();
}
