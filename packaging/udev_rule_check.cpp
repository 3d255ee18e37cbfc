#include "packaging/udev_rule_check.h"

#include <fnmatch.h>

#include <cctype>
#include <optional>
#include <sstream>

namespace qvpackaging_test {
namespace {

struct Token {
  std::string key;   // "ATTRS"
  std::string attr;  // "idVendor" for ATTRS{idVendor}
  std::string op;    // "==", "!=", "=", "+=", ":="
  std::string value;
};
using Rule = std::vector<Token>;

bool IsBlank(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

std::string StripTrailingBlanks(std::string text) {
  while (!text.empty() && IsBlank(text.back())) text.pop_back();
  return text;
}

bool ParseRule(const std::string& line, Rule* rule, std::string* error) {
  size_t i = 0;
  auto fail = [&](const std::string& why) {
    *error = why + " in: " + line;
    return false;
  };
  while (true) {
    while (i < line.size() && (IsBlank(line[i]) || line[i] == ',')) ++i;
    if (i == line.size()) return true;
    Token token;
    while (i < line.size() &&
           (std::isalpha(static_cast<unsigned char>(line[i])) || line[i] == '_')) {
      token.key += line[i++];
    }
    if (i < line.size() && line[i] == '{') {
      const size_t close = line.find('}', i);
      if (close == std::string::npos) return fail("unclosed {");
      token.attr = line.substr(i + 1, close - i - 1);
      i = close + 1;
    }
    for (const char* op : {"==", "!=", "+=", ":=", "-=", "="}) {
      if (line.compare(i, std::char_traits<char>::length(op), op) == 0) {
        token.op = op;
        break;
      }
    }
    if (token.key.empty() || token.op.empty()) return fail("no key and operator");
    i += token.op.size();
    if (i >= line.size() || line[i] != '"') return fail("value not quoted");
    const size_t close = line.find('"', i + 1);
    if (close == std::string::npos) return fail("unclosed value");
    token.value = line.substr(i + 1, close - i - 1);
    i = close + 1;
    rule->push_back(token);
  }
}

// Shell glob with | alternatives.
bool Glob(const std::string& pattern, const std::string& value) {
  std::stringstream alternatives(pattern);
  std::string alternative;
  bool any = false;
  while (std::getline(alternatives, alternative, '|')) {
    any = true;
    if (::fnmatch(alternative.c_str(), value.c_str(), 0) == 0) return true;
  }
  return !any && value.empty();
}

std::optional<std::string> Attribute(const UdevLevel& level, const std::string& name,
                                     const std::string& pattern) {
  auto it = level.attrs.find(name);
  if (it == level.attrs.end()) return std::nullopt;
  if (!pattern.empty() && IsBlank(pattern.back())) return it->second;
  return StripTrailingBlanks(it->second);
}

// The characters udev passes in substituted values; others become '_'.
std::string Sanitize(std::string value) {
  for (char& c : value) {
    const bool kept = std::isalnum(static_cast<unsigned char>(c)) ||
                      std::string("#+-.:=@_/ $%?,").find(c) != std::string::npos;
    if (!kept) c = '_';
  }
  return value;
}

class Evaluator {
 public:
  Evaluator(const UdevWalk& device, const std::string& action, UdevOutcome* outcome)
      : device_(device), action_(action), outcome_(outcome) {}

  // Whether the rule's match keys hold; sets the matched parent level.
  bool Matches(const Rule& rule, std::string* error) {
    for (const Token& token : rule) {
      if (token.op != "==" && token.op != "!=") continue;
      std::optional<std::string> value;
      if (token.key == "ACTION") {
        value = action_;
      } else if (token.key == "SUBSYSTEM") {
        value = device_[0].subsystem;
      } else if (token.key == "KERNEL") {
        value = device_[0].kernel;
      } else if (token.key == "DRIVER") {
        value = device_[0].driver;
      } else if (token.key == "ATTR") {
        value = Attribute(device_[0], token.attr, token.value);
      } else if (token.key == "ENV") {
        auto it = outcome_->env.find(token.attr);
        value = it == outcome_->env.end() ? std::string() : it->second;
      } else if (IsParentKey(token.key)) {
        continue;
      } else {
        *error = "unknown match key " + token.key;
        return false;
      }
      if (!value || Glob(token.value, *value) != (token.op == "==")) return false;
    }
    return MatchParent(rule);
  }

  bool Assign(const Rule& rule, std::string* goto_label, std::string* error) {
    for (const Token& token : rule) {
      if (token.op == "==" || token.op == "!=") continue;
      if (token.key == "GOTO") {
        *goto_label = token.value;
        continue;
      }
      std::string value;
      if (!Substitute(token.value, &value, error)) return false;
      if (token.key == "GROUP" && (token.op == "=" || token.op == ":=")) {
        outcome_->group = value;
      } else if (token.key == "MODE" && (token.op == "=" || token.op == ":=")) {
        outcome_->mode = value;
      } else if (token.key == "ENV" && token.op == "=") {
        outcome_->env[token.attr] = value;
      } else if (token.key == "SYMLINK" && (token.op == "+=" || token.op == "=")) {
        if (token.op == "=") outcome_->symlinks.clear();
        std::stringstream links(value);
        std::string link;
        while (links >> link) outcome_->symlinks.push_back(link);
      } else {
        *error = "unknown assignment " + token.key + token.op;
        return false;
      }
    }
    return true;
  }

 private:
  static bool IsParentKey(const std::string& key) {
    return key == "KERNELS" || key == "SUBSYSTEMS" || key == "DRIVERS" || key == "ATTRS";
  }

  bool MatchParent(const Rule& rule) {
    parent_ = -1;
    bool any = false;
    for (const Token& token : rule) any = any || IsParentKey(token.key);
    if (!any) return true;
    for (size_t level = 0; level < device_.size(); ++level) {
      bool all = true;
      for (const Token& token : rule) {
        if (!IsParentKey(token.key) || !all) continue;
        const UdevLevel& at = device_[level];
        std::optional<std::string> value;
        if (token.key == "KERNELS") value = at.kernel;
        if (token.key == "SUBSYSTEMS") value = at.subsystem;
        if (token.key == "DRIVERS") value = at.driver;
        if (token.key == "ATTRS") value = Attribute(at, token.attr, token.value);
        all = value && Glob(token.value, *value) == (token.op == "==");
      }
      if (all) {
        parent_ = static_cast<int>(level);
        return true;
      }
    }
    return false;
  }

  bool Substitute(const std::string& text, std::string* out, std::string* error) {
    out->clear();
    for (size_t i = 0; i < text.size(); ++i) {
      if (text[i] != '$') {
        out->push_back(text[i]);
        continue;
      }
      if (text.compare(i, 2, "$$") == 0) {
        out->push_back('$');
        ++i;
      } else if (text.compare(i, 3, "$id") == 0) {
        if (parent_ >= 0) *out += device_[static_cast<size_t>(parent_)].kernel;
        i += 2;
      } else if (text.compare(i, 7, "$kernel") == 0) {
        *out += device_[0].kernel;
        i += 6;
      } else if (text.compare(i, 6, "$attr{") == 0 || text.compare(i, 5, "$env{") == 0) {
        const bool attr = text[i + 1] == 'a';
        const size_t open = text.find('{', i);
        const size_t close = text.find('}', open);
        if (close == std::string::npos) {
          *error = "unclosed substitution in " + text;
          return false;
        }
        const std::string name = text.substr(open + 1, close - open - 1);
        if (attr) {
          std::optional<std::string> value = Attribute(device_[0], name, "");
          if (!value && parent_ >= 0) {
            value = Attribute(device_[static_cast<size_t>(parent_)], name, "");
          }
          *out += Sanitize(value.value_or(""));
        } else {
          auto it = outcome_->env.find(name);
          if (it != outcome_->env.end()) *out += it->second;
        }
        i = close;
      } else {
        *error = "unknown substitution in " + text;
        return false;
      }
    }
    return true;
  }

  const UdevWalk& device_;
  std::string action_;
  UdevOutcome* outcome_;
  int parent_ = -1;
};

}  // namespace

UdevWalk ParseAttributeWalk(const std::string& text) {
  UdevWalk walk;
  std::stringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    const size_t start = line.find_first_not_of(' ');
    if (start == std::string::npos) continue;
    line = line.substr(start);
    if (line.rfind("looking at ", 0) == 0) {
      walk.emplace_back();
      continue;
    }
    const size_t op = line.find("==\"");
    if (walk.empty() || op == std::string::npos || line.back() != '"') continue;
    const std::string key = line.substr(0, op);
    const std::string value = line.substr(op + 3, line.size() - op - 4);
    UdevLevel& level = walk.back();
    if (key == "KERNEL" || key == "KERNELS") {
      level.kernel = value;
    } else if (key == "SUBSYSTEM" || key == "SUBSYSTEMS") {
      level.subsystem = value;
    } else if (key == "DRIVER" || key == "DRIVERS") {
      level.driver = value;
    } else if ((key.rfind("ATTR{", 0) == 0 || key.rfind("ATTRS{", 0) == 0) && key.back() == '}') {
      const size_t open = key.find('{');
      level.attrs[key.substr(open + 1, key.size() - open - 2)] = value;
    } else {
      return {};
    }
  }
  return walk;
}

bool ApplyUdevRules(const std::string& rules, const UdevWalk& device, const std::string& action,
                    UdevOutcome* outcome, std::string* error) {
  if (device.empty()) {
    *error = "no device";
    return false;
  }
  std::vector<Rule> parsed;
  std::stringstream lines(rules);
  std::string line;
  while (std::getline(lines, line)) {
    const size_t start = line.find_first_not_of(" \t");
    if (start == std::string::npos || line[start] == '#') continue;
    Rule rule;
    if (!ParseRule(line, &rule, error)) return false;
    parsed.push_back(rule);
  }
  Evaluator evaluator(device, action, outcome);
  std::string label;
  for (const Rule& rule : parsed) {
    if (!label.empty()) {
      if (rule.size() == 1 && rule[0].key == "LABEL" && rule[0].value == label) label.clear();
      continue;
    }
    if (rule.size() == 1 && rule[0].key == "LABEL") continue;
    if (!evaluator.Matches(rule, error)) {
      if (!error->empty()) return false;
      continue;
    }
    if (!evaluator.Assign(rule, &label, error)) return false;
  }
  if (!label.empty()) {
    *error = "GOTO to a missing label " + label;
    return false;
  }
  return true;
}

}  // namespace qvpackaging_test
