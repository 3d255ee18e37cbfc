// qv-virtual-printer: the virtual receipt printer as a program. See Usage().
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "virtual_printer/render/render_report.h"
#include "virtual_printer/virtual_printer.h"

namespace {

const char kUsage[] = R"(Usage: qv-virtual-printer [OPTION]...
A virtual ESC/POS thermal receipt printer (576 dots a line) with a cash drawer
on its kick-out connector, for tests and demonstrations without hardware.

It parses every command of the byte stream with its declared length (raster
images, barcodes, QR and PDF417 data are skipped by length, so bytes 10 04
inside them are never taken for status requests), answers each real-time
status request DLE EOT n (10 04 n, n = 1..4) with one status byte, opens its
drawer on ESC p (1B 70 m t1 t2) or DLE DC4 1, and records the stream and a
readable listing of the commands.

Transports (TCP on 127.0.0.1:9100 when none is given):
  --tcp [ADDRESS:]PORT    listen on ADDRESS (default 127.0.0.1) and PORT; port
                          0 picks a free one. Any 127.x.y.z loopback address
                          works without configuration, so several printers can
                          use port 9100 side by side.
  --pty                   open a pseudo-terminal; clients open its slave like a
                          serial port (or map it in the driver's prefix:
                          <prefix>/dosdevices/com7 -> the slave, likewise lpt1,
                          or usb#vid_0fe6&pid_811e#A1B2 for a USB printer)
  --link PATH             also make PATH a symbolic link to the terminal's
                          slave, kept pointing at it (implies --pty)

Recording:
  --stream FILE           append every received byte to FILE
  --listing FILE          append one line per parsed command to FILE
  --echo                  print each parsed command on standard output too

Rendering:
  --render DIR            draw what is printed as a thermal printer puts it on
                          paper (576 dots a line, 203 dpi, black on white) and
                          write one PNG a cut: DIR/receipt-0001.png,
                          receipt-0002.png, ... (the paper not cut yet is
                          written when the printer stops, and by the command
                          "render"). An image is at most 8000 dots (1 m) long:
                          longer paper goes on in the next image. A page-mode
                          page is at most 4000 dots high; pictures and symbols
                          are clipped to the paper. Each file written is told
                          as "render FILE WIDTHxHEIGHT; NOTES", the notes being
                          drawer pulses, symbols a printer refuses and commands
                          drawn as nothing (also in the PNG's comments).

State at start-up (all off by default):
  --drawer-open --cover-open --paper-end --paper-near-end --offline
  --drawer-auto-close MS  after a pulse the drawer closes by itself in MS ms

Fault modes at start-up:
  --answer-nothing        parse status requests but never answer them
  --stop-reading          read nothing, so a client's writes stall
  --refuse                refuse TCP connections

  --help                  show this text and exit

On start it prints "tcp ADDRESS:PORT" and/or "pty PATH", then "ready".

Commands on standard input, one a line (answer "ok", or "error: ..."):
  drawer open|close       the drawer sensor
  cover open|close        the cover sensor
  paper ok|near-end|end   the paper roll sensor
  online | offline        the off-line state
  answer-nothing on|off   fault: no answers to status requests
  stop-reading on|off     fault: stop reading (client writes stall)
  refuse on|off           fault: refuse TCP connections
  drop                    fault: close every TCP connection and hang up the
                          terminal (a new one replaces it, behind the link)
  status                  print the state, the status bytes and the counters
  listing                 print the listing of the commands received
  render                  write the paper since the last cut now (--render)
  clear                   forget the recorded stream and commands
  quit                    stop the printer and exit
End of standard input leaves the printer running until SIGINT or SIGTERM.

Status bytes (fixed bits 0x12 always set):
  DLE EOT 1  0x04 drawer closed (kick-out pin 3 high); 0x08 off-line (also
             while the cover is open or the paper has ended)
  DLE EOT 2  0x04 cover open; 0x20 stopped by paper end
  DLE EOT 3  0x12 (no errors are modelled)
  DLE EOT 4  0x0C paper near end; 0x60 paper end
Idle answers: 16 12 12 12; drawer open: 12 to DLE EOT 1. No other request
(GS I, GS r, ESC u, ESC v, DLE EOT 7/8) is answered.
)";

struct Options {
  bool tcp = false;
  std::string tcp_address = "127.0.0.1";
  uint16_t tcp_port = qvvp::VirtualPrinter::kDefaultPort;
  bool pty = false;
  std::string link;
  std::string stream_file;
  std::string listing_file;
  bool echo = false;
  std::string render_dir;
  qvvp::PrinterState state;
  long drawer_auto_close_ms = 0;
  bool answer_nothing = false;
  bool stop_reading = false;
  bool refuse = false;
};

bool ParsePort(const std::string& text, uint16_t* port) {
  if (text.empty() || text.size() > 5) return false;
  long value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  if (value > 65535) return false;
  *port = static_cast<uint16_t>(value);
  return true;
}

// Returns 0 to run, 1 on a usage error, 2 for --help.
int ParseArguments(int argc, char** argv, Options* options) {
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    auto value = [&](std::string* out) {
      if (i + 1 >= argc) return false;
      *out = argv[++i];
      return true;
    };
    std::string text;
    if (arg == "--help" || arg == "-h") return 2;
    if (arg == "--tcp") {
      if (!value(&text)) return 1;
      size_t colon = text.rfind(':');
      std::string port = colon == std::string::npos ? text : text.substr(colon + 1);
      if (colon != std::string::npos) options->tcp_address = text.substr(0, colon);
      if (!ParsePort(port, &options->tcp_port)) return 1;
      options->tcp = true;
    } else if (arg == "--pty") {
      options->pty = true;
    } else if (arg == "--link") {
      if (!value(&options->link)) return 1;
      options->pty = true;
    } else if (arg == "--stream") {
      if (!value(&options->stream_file)) return 1;
    } else if (arg == "--listing") {
      if (!value(&options->listing_file)) return 1;
    } else if (arg == "--render") {
      if (!value(&options->render_dir)) return 1;
    } else if (arg == "--echo") {
      options->echo = true;
    } else if (arg == "--drawer-open") {
      options->state.drawerOpen = true;
    } else if (arg == "--cover-open") {
      options->state.coverOpen = true;
    } else if (arg == "--paper-end") {
      options->state.paperEnd = true;
    } else if (arg == "--paper-near-end") {
      options->state.paperNearEnd = true;
    } else if (arg == "--offline") {
      options->state.offline = true;
    } else if (arg == "--drawer-auto-close") {
      if (!value(&text)) return 1;
      char* end = nullptr;
      options->drawer_auto_close_ms = std::strtol(text.c_str(), &end, 10);
      if (end == text.c_str() || *end != '\0' || options->drawer_auto_close_ms < 0) return 1;
    } else if (arg == "--answer-nothing") {
      options->answer_nothing = true;
    } else if (arg == "--stop-reading") {
      options->stop_reading = true;
    } else if (arg == "--refuse") {
      options->refuse = true;
    } else {
      return 1;
    }
  }
  if (!options->tcp && !options->pty) options->tcp = true;
  return 0;
}

std::string Hex(uint8_t byte) {
  char text[8];
  std::snprintf(text, sizeof(text), "%02X", byte);
  return text;
}

std::string StatusReport(const qvvp::VirtualPrinter& printer) {
  const qvvp::PrinterEngine& engine = printer.engine();
  qvvp::PrinterState state = engine.state();
  std::ostringstream out;
  out << "drawer " << (state.drawerOpen ? "open" : "closed") << ", cover "
      << (state.coverOpen ? "open" : "closed") << ", paper "
      << (state.paperEnd       ? "end"
          : state.paperNearEnd ? "near-end"
                               : "ok")
      << ", " << (state.offline ? "offline" : "online") << "\nstatus bytes";
  for (int n = 1; n <= 4; ++n) out << ' ' << Hex(*qvvp::StatusByte(state, n));
  out << "\nbytes " << engine.bytes_received() << ", parsed " << engine.bytes_parsed()
      << ", status requests " << engine.status_requests() << ", answers " << engine.status_answers()
      << ", drawer pulses " << engine.drawer_kicks() << ", connections "
      << printer.open_connections() << " open / " << printer.accepted_connections() << " accepted";
  return out.str();
}

bool OnOff(const std::string& word, bool* on) {
  if (word == "on") {
    *on = true;
    return true;
  }
  if (word == "off") {
    *on = false;
    return true;
  }
  return false;
}

// Carries out one command line. Returns false for quit.
bool RunCommand(const std::string& line, qvvp::VirtualPrinter* printer,
                qvvp::CRenderService* render) {
  std::istringstream words(line);
  std::string verb, arg;
  words >> verb >> arg;
  qvvp::PrinterEngine& engine = printer->engine();
  bool on = false;
  std::string answer = "ok";
  if (verb.empty()) {
    return true;
  } else if (verb == "quit" || verb == "exit") {
    return false;
  } else if (verb == "drawer" && (arg == "open" || arg == "close")) {
    engine.SetDrawerOpen(arg == "open");
  } else if (verb == "cover" && (arg == "open" || arg == "close")) {
    engine.SetCoverOpen(arg == "open");
  } else if (verb == "paper" && (arg == "ok" || arg == "near-end" || arg == "end")) {
    engine.SetPaperEnd(arg == "end");
    engine.SetPaperNearEnd(arg == "near-end");
  } else if (verb == "online" || verb == "offline") {
    engine.SetOffline(verb == "offline");
  } else if (verb == "answer-nothing" && OnOff(arg, &on)) {
    engine.SetAnswerNothing(on);
  } else if (verb == "stop-reading" && OnOff(arg, &on)) {
    printer->SetStopReading(on);
  } else if (verb == "refuse" && OnOff(arg, &on)) {
    printer->SetRefuseConnections(on);
  } else if (verb == "drop") {
    printer->DropConnections();
    if (!printer->pty_path().empty()) std::cout << "pty " << printer->pty_path().string() << "\n";
  } else if (verb == "status") {
    std::cout << StatusReport(*printer) << "\n";
    if (render != nullptr) std::cout << qvvp::RenderSummary(render->stats()) << "\n";
  } else if (verb == "render" && render != nullptr) {
    if (render->WriteUnfinishedNow(10000).empty()) answer = "error: no paper since the last cut";
  } else if (verb == "listing") {
    std::cout << engine.listing();
  } else if (verb == "clear") {
    engine.ClearRecord();
  } else {
    answer = "error: unknown command (see --help)";
  }
  std::cout << answer << std::endl;
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  int parsed = ParseArguments(argc, argv, &options);
  if (parsed == 2) {
    std::cout << kUsage;
    return 0;
  }
  if (parsed != 0) {
    std::cerr << "qv-virtual-printer: bad arguments; see --help\n";
    return 2;
  }

  // SIGINT and SIGTERM are read from a descriptor; the I/O thread started
  // below inherits the blocked mask.
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  sigaddset(&signals, SIGHUP);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
  ::signal(SIGPIPE, SIG_IGN);
  int signal_fd = ::signalfd(-1, &signals, SFD_CLOEXEC);

  qvvp::VirtualPrinter printer;
  qvvp::PrinterEngine& engine = printer.engine();
  engine.SetState(options.state);
  engine.SetDrawerAutoCloseMs(options.drawer_auto_close_ms);
  engine.SetAnswerNothing(options.answer_nothing);
  if (!options.stream_file.empty()) {
    if (int rc = engine.RecordStreamTo(options.stream_file)) {
      std::cerr << "qv-virtual-printer: " << options.stream_file << ": " << std::strerror(rc)
                << "\n";
      return 1;
    }
  }
  if (!options.listing_file.empty()) {
    if (int rc = engine.RecordListingTo(options.listing_file)) {
      std::cerr << "qv-virtual-printer: " << options.listing_file << ": " << std::strerror(rc)
                << "\n";
      return 1;
    }
  }
  if (options.echo) {
    engine.SetCommandObserver([](const qvvp::ParsedCommand& command) {
      std::string line = qvvp::ListingLine(command) + "\n";
      std::fwrite(line.data(), 1, line.size(), stdout);
      std::fflush(stdout);
    });
  }
  std::unique_ptr<qvvp::CRenderService> render;
  if (!options.render_dir.empty()) {
    std::string reason;
    render = qvvp::StartRenderingTo(options.render_dir, engine, &reason);
    if (!render) {
      std::cerr << "qv-virtual-printer: cannot render: " << reason << "\n";
      return 1;
    }
  }
  if (options.tcp) {
    if (int rc = printer.StartTcp(options.tcp_address, options.tcp_port)) {
      std::cerr << "qv-virtual-printer: cannot listen on " << options.tcp_address << ":"
                << options.tcp_port << ": " << std::strerror(rc) << "\n";
      return 1;
    }
    if (options.refuse) printer.SetRefuseConnections(true);
    std::cout << "tcp " << printer.tcp_address() << ":" << printer.tcp_port() << "\n";
  }
  if (options.pty) {
    if (int rc = printer.StartPty(options.link)) {
      std::cerr << "qv-virtual-printer: cannot open a pseudo-terminal: " << std::strerror(rc)
                << "\n";
      return 1;
    }
    std::cout << "pty " << printer.pty_path().string() << "\n";
    if (!options.link.empty()) std::cout << "link " << options.link << "\n";
  }
  if (options.stop_reading) printer.SetStopReading(true);
  std::cout << "ready" << std::endl;

  bool stdin_open = true;
  std::string pending;
  for (;;) {
    pollfd fds[2] = {{signal_fd, POLLIN, 0}, {stdin_open ? 0 : -1, POLLIN, 0}};
    int ready = ::poll(fds, 2, -1);
    if (ready < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (fds[0].revents & POLLIN) break;
    if (fds[1].revents & (POLLIN | POLLHUP | POLLERR)) {
      char buffer[4096];
      ssize_t n = ::read(0, buffer, sizeof(buffer));
      if (n <= 0) {
        stdin_open = false;
        continue;
      }
      pending.append(buffer, static_cast<size_t>(n));
      bool quit = false;
      size_t newline;
      while ((newline = pending.find('\n')) != std::string::npos) {
        std::string line = pending.substr(0, newline);
        pending.erase(0, newline + 1);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!RunCommand(line, &printer, render.get())) {
          quit = true;
          break;
        }
      }
      if (quit) break;
    }
  }
  printer.Stop();
  if (render) render->Stop();  // writes the paper not cut yet
  if (signal_fd >= 0) ::close(signal_fd);
  return 0;
}
