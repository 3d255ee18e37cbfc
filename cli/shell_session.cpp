#include "cli/shell_session.h"

#include <cstdio>
#include <optional>

#include "cli/cli_util.h"
#include "platform/apartment/message_queue.h"

namespace qvcli {
namespace {

std::string HresultText(HRESULT hr) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(hr));
  return text;
}

std::string DispatchFailure(HRESULT hr) {
  switch (hr) {
    case DISP_E_UNKNOWNNAME: return "unknown member";
    case DISP_E_BADPARAMCOUNT: return "wrong number of arguments";
    case DISP_E_TYPEMISMATCH: return "argument of the wrong type";
    default: return "dispatch failure " + HresultText(hr);
  }
}

bool IsStringProperty(qvcontrols::DeviceClass deviceClass, const std::u16string& name) {
  const qvcontrols::PropertyDef* def = qvcontrols::FindProperty(deviceClass, name);
  return def != nullptr && (def->kind == qvcontrols::PropKind::kString || def->localString);
}

}  // namespace

std::string ValueText(const qvopos::OposValue& value) {
  if (const int32_t* number = std::get_if<int32_t>(&value)) return std::to_string(*number);
  return Printable(std::get<std::u16string>(value));
}

void ShellSession::EventPrinter::OnOposEvent(const qvopos::OposEvent& event) {
  const char16_t* name = qvcontrols::EventName(event.dispid);
  std::string line = std::string("event ") + m_object + " " +
                     (name != nullptr ? Narrow(name) : "Event" + std::to_string(event.dispid));
  const auto add = [&line](const std::string& arg) { line += " " + arg; };
  add(std::to_string(event.number));
  if (event.dispid == qvcontrols::kDispidDirectIOEvent) {
    add(std::to_string(event.data));
    add(Printable(event.text));
  } else if (event.dispid == qvcontrols::kDispidErrorEvent) {
    add(std::to_string(event.data));
    add(std::to_string(event.locus));
    add(std::to_string(event.response));
  }
  m_writer(line);
}

ShellSession::ShellSession(Writer writer)
    : m_writer(std::move(writer)),
      m_printerEvents("printer", m_writer),
      m_drawerEvents("drawer", m_writer) {
  m_printer.AddListener(&m_printerEvents);
  m_drawer.AddListener(&m_drawerEvents);
}

ShellSession::~ShellSession() {
  m_drawer.Close();
  m_printer.Close();
  m_drawer.RemoveListener(&m_drawerEvents);
  m_printer.RemoveListener(&m_printerEvents);
}

void ShellSession::Error(const std::string& reason) {
  ++m_errors;
  m_writer("error: " + reason);
}

qvopos::OposDevice* ShellSession::Device(const std::u16string& name) {
  if (name == u"printer") return &m_printer;
  if (name == u"drawer") return &m_drawer;
  return nullptr;
}

bool ShellSession::Execute(std::string_view line) {
  const ParsedLine parsed = ParseShellLine(line);
  if (!parsed.ok) {
    Error(parsed.error);
    return true;
  }
  const std::vector<ShellToken>& tokens = parsed.tokens;
  if (tokens.empty()) return true;
  const std::u16string& first = tokens[0].text;
  if (first == u"quit" && !tokens[0].quoted) {
    if (tokens.size() != 1) Error("quit takes no argument");
    return tokens.size() != 1;
  }
  if (first == u"wait") {
    Wait(tokens);
  } else if (first == u"open") {
    Open(tokens);
  } else if (qvopos::OposDevice* device = Device(first)) {
    const std::string object = Narrow(first);
    if (tokens.size() < 2) {
      Error(object + " needs a method, get or set");
    } else if (tokens[1].text == u"get") {
      Get(object, *device, tokens);
    } else if (tokens[1].text == u"set") {
      Set(object, *device, tokens);
    } else {
      Method(object, *device, tokens);
    }
  } else {
    Error("unknown command " + Printable(first) + " (open, printer, drawer, wait, quit)");
  }
  return true;
}

void ShellSession::Open(const std::vector<ShellToken>& tokens) {
  qvopos::OposDevice* device = tokens.size() == 3 ? Device(tokens[1].text) : nullptr;
  if (device == nullptr) {
    Error("usage: open printer|drawer LDN");
    return;
  }
  const int32_t rc = device->Open(tokens[2].text);
  m_writer("open " + Narrow(tokens[1].text) + ": " + std::to_string(rc));
}

void ShellSession::Get(const std::string& object, qvopos::OposDevice& device,
                       const std::vector<ShellToken>& tokens) {
  if (tokens.size() != 3) {
    Error("usage: " + object + " get PROPERTY");
    return;
  }
  qvopos::OposValue value;
  const HRESULT hr = device.Get(tokens[2].text, &value);
  if (FAILED(hr)) {
    Error(object + "." + Printable(tokens[2].text) + ": " + DispatchFailure(hr));
    return;
  }
  m_writer(object + "." + Narrow(tokens[2].text) + " = " + ValueText(value));
}

void ShellSession::Set(const std::string& object, qvopos::OposDevice& device,
                       const std::vector<ShellToken>& tokens) {
  if (tokens.size() != 4) {
    Error("usage: " + object + " set PROPERTY VALUE");
    return;
  }
  const std::u16string& property = tokens[2].text;
  qvopos::OposValue value;
  if (IsStringProperty(device.deviceClass(), property)) {
    value = tokens[3].text;
  } else {
    std::optional<int32_t> number = ParseNumber(Narrow(tokens[3].text));
    if (!number) {
      Error(object + "." + Printable(property) + " takes a number, not " +
            Printable(tokens[3].text));
      return;
    }
    value = *number;
  }
  const HRESULT hr = device.Set(property, value);
  if (FAILED(hr)) {
    Error(object + "." + Printable(property) + ": " + DispatchFailure(hr));
    return;
  }
  m_writer(object + "." + Narrow(property) + " := " + ValueText(value) + ": " +
           std::to_string(device.ResultCode()));
}

void ShellSession::Method(const std::string& object, qvopos::OposDevice& device,
                          const std::vector<ShellToken>& tokens) {
  const std::u16string& name = tokens[1].text;
  const qvcontrols::MethodDef* def = qvcontrols::FindMethod(device.deviceClass(), name);
  if (def == nullptr) {
    Error(object + "." + Printable(name) + ": unknown method");
    return;
  }
  const size_t given = tokens.size() - 2;
  size_t required = 0;
  for (const qvcontrols::ParamDef& param : def->params) {
    const bool byRef = param.type == qvcontrols::ArgType::kLongRef ||
                       param.type == qvcontrols::ArgType::kStringRef;
    if (!byRef) ++required;
  }
  if (given < required || given > def->params.size()) {
    std::string names;
    for (const qvcontrols::ParamDef& param : def->params) names += " " + Narrow(param.name);
    Error(object + "." + Narrow(def->name) + " takes" + (names.empty() ? " nothing" : names));
    return;
  }
  std::vector<qvopos::OposValue> args;
  for (size_t i = 0; i < given; ++i) {
    const qvcontrols::ParamDef& param = def->params[i];
    const ShellToken& token = tokens[i + 2];
    if (param.type == qvcontrols::ArgType::kString ||
        param.type == qvcontrols::ArgType::kStringRef) {
      args.emplace_back(token.text);
      continue;
    }
    std::optional<int32_t> number = ParseNumber(Narrow(token.text));
    if (!number) {
      Error(object + "." + Narrow(def->name) + ": " + Narrow(param.name) + " takes a number, not " +
            Printable(token.text));
      return;
    }
    args.emplace_back(*number);
  }
  const qvopos::CallResult result = device.Call(def->name, args);
  if (FAILED(result.hr)) {
    Error(object + "." + Narrow(def->name) + ": " + DispatchFailure(result.hr));
    return;
  }
  std::string line = object + "." + Narrow(def->name) + ": " + std::to_string(result.resultCode);
  for (const auto& [param, value] : result.outputs) {
    line += " " + Narrow(param) + "=" + ValueText(value);
  }
  m_writer(line);
}

void ShellSession::Wait(const std::vector<ShellToken>& tokens) {
  std::optional<int32_t> ms =
      tokens.size() == 2 ? ParseNumber(Narrow(tokens[1].text)) : std::nullopt;
  if (!ms || *ms < 0) {
    Error("usage: wait MS");
    return;
  }
  qvplatform::PumpUntil([] { return false; }, *ms);
}

}  // namespace qvcli
