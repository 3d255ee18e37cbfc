// The commands of `qvopos shell` over one POSPrinter and one CashDrawer
// control object (see shell_parser.h for the line syntax):
//
//   open OBJ LDN              -> "open OBJ: RC"
//   OBJ METHOD [ARG ...]      -> "OBJ.METHOD: RC" + " NAME=VALUE" per by-reference argument
//   OBJ get PROPERTY          -> "OBJ.PROPERTY = VALUE"
//   OBJ set PROPERTY VALUE    -> "OBJ.PROPERTY := VALUE: RC"
//   wait MS                   pumps the apartment for MS milliseconds
//   quit
//
// OBJ is "printer" or "drawer". Every event delivered prints
// "event OBJ EVENTNAME ARG..." when it arrives, also in the middle of a
// command. A line that cannot be carried out prints "error: REASON" instead
// of its result, so a program driving the shell gets one answer per command.
//
// Threads: create, use and destroy the session on one thread that has
// called CoInitialize; events arrive while that thread pumps (during a
// command, a wait, or when the caller pumps between lines).
#ifndef QV_CLI_SHELL_SESSION_H_
#define QV_CLI_SHELL_SESSION_H_

#include <functional>
#include <string>
#include <string_view>

#include "cli/shell_parser.h"
#include "control_objects/opos_device.h"

namespace qvcli {

class ShellSession {
 public:
  using Writer = std::function<void(std::string_view line)>;

  explicit ShellSession(Writer writer);
  ~ShellSession();  // closes both devices
  ShellSession(const ShellSession&) = delete;
  ShellSession& operator=(const ShellSession&) = delete;

  // Carries out one input line. Returns false after "quit".
  bool Execute(std::string_view line);

  // Lines refused so far.
  int errors() const { return m_errors; }

 private:
  class EventPrinter : public qvopos::OposEventListener {
   public:
    EventPrinter(const char* object, const Writer& writer) : m_object(object), m_writer(writer) {}
    void OnOposEvent(const qvopos::OposEvent& event) override;

   private:
    const char* m_object;
    const Writer& m_writer;
  };

  void Error(const std::string& reason);
  qvopos::OposDevice* Device(const std::u16string& name);
  void Open(const std::vector<ShellToken>& tokens);
  void Get(const std::string& object, qvopos::OposDevice& device,
           const std::vector<ShellToken>& tokens);
  void Set(const std::string& object, qvopos::OposDevice& device,
           const std::vector<ShellToken>& tokens);
  void Method(const std::string& object, qvopos::OposDevice& device,
              const std::vector<ShellToken>& tokens);
  void Wait(const std::vector<ShellToken>& tokens);

  Writer m_writer;
  qvopos::PosPrinter m_printer;
  qvopos::CashDrawer m_drawer;
  EventPrinter m_printerEvents;
  EventPrinter m_drawerEvents;
  int m_errors = 0;
};

// Text of a value as the shell prints it.
std::string ValueText(const qvopos::OposValue& value);

}  // namespace qvcli

#endif  // QV_CLI_SHELL_SESSION_H_
