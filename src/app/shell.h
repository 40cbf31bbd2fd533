// What the window needs from its surroundings besides controls, database and
// serial port: where the executable and the operator's data live, how to end
// the window, and one channel for messages to the operator.
#pragma once

#include <ctime>
#include <string>

namespace zl {

class MessageSink {
 public:
  virtual ~MessageSink() = default;
  // Tells the operator something; `text` is UTF-8.
  virtual void Show(const std::string& text) = 0;
};

class Toolkit {
 public:
  virtual ~Toolkit() = default;
  // The executable's directory as the platform reports it.
  virtual std::string AppPath() const = 0;
  // The operator's own data directory, for an installed program whose
  // directory the operator cannot write; "" when the platform has none.
  virtual std::string UserDataPath() const { return {}; }
  // The database installed with the program for new users; "" when none.
  virtual std::string SeedDatabasePath() const { return {}; }
  // Whether new files can be made in `dir`.
  virtual bool CanWrite(const std::string& dir) const;
  // The time now, for naming backups and telling one day from the next.
  virtual std::time_t Now() const { return std::time(nullptr); }
  // Takes the window down once its unload handler has run.
  virtual void EndWindow() = 0;
  // Shows that the window is waiting (a busy cursor), or stops showing it.
  virtual void ShowBusy(bool /*on*/) {}
};

}  // namespace zl
