// A window's background sound: WAV bytes through the system's playback from
// memory, MIDI bytes through the MIDI sequencer from a temporary file that
// is removed when playback stops. Failing playback is silent. Windows only.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

// PlaySound plays one sound per process, and its stop ends whichever sound
// plays. Every player in the program starts its sounds here under its own
// name (any address that stays its own while it plays), so that a stop
// silences the process only while the sound is still the stopper's.
using SoundPlayer = BOOL(WINAPI*)(LPCSTR sound, HMODULE module, DWORD flags);
// Tests watch the calls through their own player; null restores PlaySoundA.
void SetSoundPlayer(SoundPlayer player);
bool PlayOwnedSound(const void* owner, LPCSTR sound, HMODULE module, DWORD flags);
void StopOwnedSound(const void* owner);
bool OwnsProcessSound(const void* owner);

class WindowSound {
 public:
  WindowSound() = default;
  ~WindowSound() { Stop(); }
  WindowSound(const WindowSound&) = delete;
  WindowSound& operator=(const WindowSound&) = delete;

  // Starts the bytes (which must stay alive until Stop); `notify` receives
  // MM_MCINOTIFY for MIDI. Stops what played before.
  void Start(HWND notify, const uint8_t* bytes, uint32_t size, bool loop);
  void Stop();
  // Stops a WAV that still plays from the bytes given to Start, so that they
  // may go; a MIDI plays from a file of its own and goes on.
  void ReleaseBytes() { StopWave(); }
  // MM_MCINOTIFY of a device: loops a MIDI file or ends it. Notices of
  // devices closed since are ignored.
  void OnMciNotify(WPARAM flags, LPARAM device);

  // A WAV counts only while no other sound has taken its place.
  bool Playing() const { return (playingWave_ && OwnsProcessSound(this)) || !midiAlias_.empty(); }
  // The temporary MIDI file and its device while one plays (tests look).
  const std::string& MidiFile() const { return midiFile_; }
  UINT MidiDevice() const { return midiDevice_; }

 private:
  bool StartMidi(HWND notify, const uint8_t* bytes, uint32_t size);
  void StopWave();
  void StopMidi();

  bool playingWave_ = false;
  bool loop_ = false;
  HWND notify_ = nullptr;
  uint32_t midiSerial_ = 0;  // every MIDI start opens a device of its own
  UINT midiDevice_ = 0;
  std::string midiAlias_;
  std::string midiFile_;
};

enum class SoundFormat { kNone, kWave, kMidi };
// WAV: "RIFF" .... "WAVE"; MIDI: "MThd", or a RIFF "RMID" file. Playback
// from memory has no length but what the file says, so a WAV whose RIFF
// length or one of whose chunks reaches past `size` is kNone.
SoundFormat SniffSound(const uint8_t* bytes, uint32_t size);
