// A window's background sound: WAV bytes through the system's playback from
// memory, MIDI bytes through the MIDI sequencer from a temporary file that
// is removed when playback stops. Failing playback is silent. Windows only.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

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
  // MM_MCINOTIFY: loops a MIDI file or ends it.
  void OnMciNotify(WPARAM flags);

  bool Playing() const { return playingWave_ || !midiAlias_.empty(); }
  // The temporary MIDI file while one plays (tests look at it).
  const std::string& MidiFile() const { return midiFile_; }

 private:
  bool StartMidi(HWND notify, const uint8_t* bytes, uint32_t size);

  bool playingWave_ = false;
  bool loop_ = false;
  HWND notify_ = nullptr;
  std::string midiAlias_;
  std::string midiFile_;
};

enum class SoundFormat { kNone, kWave, kMidi };
// WAV: "RIFF" .... "WAVE"; MIDI: "MThd", or a RIFF "RMID" file. Playback
// from memory has no length but what the file says, so a WAV whose RIFF
// length or one of whose chunks reaches past `size` is kNone.
SoundFormat SniffSound(const uint8_t* bytes, uint32_t size);
