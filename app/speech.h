// Speech: lines handed to the desktop's speech service (speech-dispatcher) on a worker thread of
// its own. The UI thread only queues a line; every call to the daemon happens on the worker, so a
// missing, slow, refusing or hung daemon never holds up the game. The daemon's library is loaded
// at run time: a system without it plays on, silent, after one line on stderr.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

namespace app {

// What the worker speaks through. Every call but Interrupt is made on the worker thread.
class SpeechBackend {
 public:
  virtual ~SpeechBackend() = default;
  // Connects. False, with the reason in problem ("no libspeechd.so.2"), when there is nothing to
  // speak to.
  virtual bool Open(std::string& problem) = 0;
  // The voice's language: a speech-dispatcher code ("de", "zh", "pt-BR"). False when the
  // connection failed.
  virtual bool SetLanguage(const std::string& code) = 0;
  // Stops the line being spoken and drops the queued ones. False when the connection failed.
  virtual bool Cancel() = 0;
  // Queues text (UTF-8) behind whatever is being spoken. False when the connection failed.
  virtual bool Say(const std::string& text) = 0;
  // Makes a call blocked on the daemon return soon, failing. Any thread; may be called often.
  virtual void Interrupt() = 0;
};

// The real backend: libspeechd.so.2 through dlopen, SPD_TEXT priority. Each call is bounded by a
// deadline (a timer signal aimed at the worker thread), so a hung daemon fails a call instead of
// holding the worker for ever.
std::unique_ptr<SpeechBackend> MakeSpeechdBackend();

// How a line treats the one before it.
enum class Urgency {
  interrupting,  // the newest line: it cuts the one being spoken
  queued,        // follows the line being spoken (a pair judged after its second card's name)
  result,        // the game's result: never cut, by the next lines either
};

// The speech-dispatcher code of a catalogue's code: "zh_CN" is "zh", "pt_BR" "pt-BR".
std::string SpeechLanguageOf(std::string_view catalogueCode);

class Speech {
 public:
  // Starts the worker, which opens the backend. The line for a failure names `what`'s reason.
  explicit Speech(std::unique_ptr<SpeechBackend> backend);
  // Waits for the worker a bounded time (kStopGrace at most), interrupting a blocked call.
  ~Speech();
  Speech(const Speech&) = delete;
  Speech& operator=(const Speech&) = delete;

  // Queues a line; never waits on the daemon. UI thread.
  void Say(std::string text, Urgency urgency = Urgency::interrupting);
  // The voice's language for the lines after this one. UI thread.
  void SetLanguage(std::string code);
  // Whether the worker gave up (no library, no daemon, the daemon failed): the one line is out.
  bool Failed() const;

  static constexpr auto kStopGrace = std::chrono::milliseconds(1000);

 private:
  struct Line {
    std::string text;
    Urgency urgency;
  };
  void Run();
  // Speaks one line; false when the backend failed.
  bool Speak(const Line& line);
  void GiveUp(const std::string& problem);

  std::unique_ptr<SpeechBackend> backend_;
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<Line> lines_;     // guarded by mutex_
  std::string language_;       // guarded by mutex_; empty: unchanged since the worker took it
  bool languageChanged_ = false;  // guarded by mutex_
  bool stopping_ = false;      // guarded by mutex_
  bool finished_ = false;      // guarded by mutex_: the worker has returned
  bool failed_ = false;        // guarded by mutex_
  // Worker only: until when a result may still be speaking, so no cancel cuts it.
  std::chrono::steady_clock::time_point resultUntil_{};
  std::thread worker_;
};

// A result's time out loud, roughly: a second, and a bit for each word. Lines queued before then
// are said after it instead of cutting it.
std::chrono::milliseconds SpokenLength(std::string_view text);

}  // namespace app
