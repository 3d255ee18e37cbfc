#include "virtual_printer/render/symbol_encoder.h"

#include <zint.h>

#include <algorithm>
#include <memory>

namespace qvvp {

namespace {

struct ZintDeleter {
  void operator()(zint_symbol* symbol) const { ZBarcode_Delete(symbol); }
};
using ZintSymbol = std::unique_ptr<zint_symbol, ZintDeleter>;

struct ZintRequest {
  int symbology = 0;
  int option1 = -1;
  int option2 = 0;
  int option3 = 0;
};

bool RunZint(const ZintRequest& request, const std::string& input, EncodedSymbol* out,
             std::string* error) {
  if (input.empty()) {
    *error = "no data";
    return false;
  }
  ZintSymbol symbol(ZBarcode_Create());
  if (!symbol) {
    *error = "out of memory";
    return false;
  }
  symbol->symbology = request.symbology;
  symbol->input_mode = DATA_MODE;
  symbol->option_1 = request.option1;
  symbol->option_2 = request.option2;
  symbol->option_3 = request.option3;
  const int rc = ZBarcode_Encode(symbol.get(), reinterpret_cast<const unsigned char*>(input.data()),
                                 static_cast<int>(input.size()));
  if (rc >= ZINT_ERROR) {
    *error = symbol->errtxt;
    return false;
  }
  const int columns = std::clamp(symbol->width, 0, 144 * 8);
  const int rows = std::clamp(symbol->rows, 0, 200);
  out->modules.Reset(columns, rows);
  for (int y = 0; y < rows; ++y) {
    for (int x = 0; x < columns; ++x) {
      if ((symbol->encoded_data[y][x >> 3] >> (x & 7)) & 1) out->modules.Set(x, y);
    }
  }
  out->hri = reinterpret_cast<const char*>(symbol->text);
  return true;
}

bool AllDigits(const std::string& text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool LengthIn(const std::string& text, std::initializer_list<size_t> lengths) {
  return std::find(lengths.begin(), lengths.end(), text.size()) != lengths.end();
}

char UpcCheckDigit(const std::string& eleven) {
  int sum = 0;
  for (size_t i = 0; i < 11; ++i) sum += (eleven[i] - '0') * (i % 2 == 0 ? 3 : 1);
  return static_cast<char>('0' + (10 - sum % 10) % 10);
}

// The zint request and input for GS k system `system`, or false.
bool LinearRequest(int system, std::string data, ZintRequest* request, std::string* input,
                   std::string* error) {
  const int kind = system >= 65 ? system - 65 : system;
  const bool digits = AllDigits(data);
  switch (kind) {
    case 0:  // UPC-A
      if (!digits || !LengthIn(data, {11, 12})) break;
      request->symbology = data.size() == 11 ? BARCODE_UPCA : BARCODE_UPCA_CHK;
      *input = data;
      return true;
    case 1:  // UPC-E
      if (!digits || !LengthIn(data, {6, 7, 8, 11, 12})) break;
      if (data.size() >= 11) {
        if (!UpcAToUpcE(data, &data)) {
          *error = "UPC-A digits that do not zero-suppress to UPC-E";
          return false;
        }
      } else if (data.size() == 6) {
        data = "0" + data;
      }
      request->symbology = data.size() == 8 ? BARCODE_UPCE_CHK : BARCODE_UPCE;
      *input = data;
      return true;
    case 2:  // EAN-13
    case 3:  // EAN-8
      if (!digits || !LengthIn(data, kind == 2 ? std::initializer_list<size_t>{12, 13}
                                               : std::initializer_list<size_t>{7, 8})) {
        break;
      }
      request->symbology = data.size() == 12 || data.size() == 7 ? BARCODE_EANX : BARCODE_EANX_CHK;
      *input = data;
      return true;
    case 4:  // Code 39: the * start and stop are the printer's to add
      if (data.size() >= 2 && data.front() == '*' && data.back() == '*') {
        data = data.substr(1, data.size() - 2);
      }
      request->symbology = BARCODE_CODE39;
      *input = data;
      return true;
    case 5:  // ITF
      if (!digits || data.empty() || data.size() % 2 != 0) break;
      request->symbology = BARCODE_C25INTER;
      *input = data;
      return true;
    case 6:  // Codabar
      request->symbology = BARCODE_CODABAR;
      *input = data;
      return true;
    case 7:  // Code 93
      if (system < 65) break;
      request->symbology = BARCODE_CODE93;
      *input = data;
      return true;
    case 8: {  // Code 128
      if (system < 65) break;
      std::vector<uint8_t> bytes(data.begin(), data.end());
      if (!Code128Content(bytes, input, error)) return false;
      request->symbology = BARCODE_CODE128;
      return true;
    }
    default: *error = "barcode system " + std::to_string(system) + " is not drawn"; return false;
  }
  *error = "data the barcode system " + std::to_string(system) + " does not accept";
  return false;
}

}  // namespace

bool UpcAToUpcE(const std::string& upcA, std::string* upcE) {
  if (!AllDigits(upcA) || !LengthIn(upcA, {11, 12}) || upcA[0] != '0') return false;
  const std::string d = upcA;
  const char check = d.size() == 12 ? d[11] : UpcCheckDigit(d);
  std::string six;
  if (d[3] <= '2' && d.compare(4, 4, "0000") == 0) {
    six = {d[1], d[2], d[8], d[9], d[10], d[3]};
  } else if (d.compare(4, 5, "00000") == 0) {
    six = {d[1], d[2], d[3], d[9], d[10], '3'};
  } else if (d.compare(5, 5, "00000") == 0) {
    six = {d[1], d[2], d[3], d[4], d[10], '4'};
  } else if (d.compare(6, 4, "0000") == 0 && d[10] >= '5') {
    six = {d[1], d[2], d[3], d[4], d[5], d[10]};
  } else {
    return false;
  }
  *upcE = std::string(1, d[0]) + six + check;
  return true;
}

bool Code128Content(const std::vector<uint8_t>& data, std::string* content, std::string* error) {
  content->clear();
  char set = 0;
  bool shifted = false;
  for (size_t i = 0; i < data.size(); ++i) {
    uint8_t byte = data[i];
    if (byte == '{') {
      const uint8_t next = i + 1 < data.size() ? data[i + 1] : 0;
      ++i;
      if (next == 'A' || next == 'B' || next == 'C') {
        set = static_cast<char>(next);
        continue;
      }
      if (next == 'S' && (set == 'A' || set == 'B')) {
        shifted = true;
        continue;
      }
      if (next >= '1' && next <= '4') {
        *error = "Code 128 function codes are not drawn";
        return false;
      }
      if (next != '{' || set == 0) {
        *error = "a Code 128 code-set selection the printer does not know";
        return false;
      }
      byte = '{';
    }
    char current = set;
    if (shifted) current = set == 'A' ? 'B' : 'A';
    shifted = false;
    if (current == 'A' && byte <= 0x5F) {
      content->push_back(static_cast<char>(byte));
    } else if (current == 'B' && byte >= 0x20 && byte <= 0x7F) {
      content->push_back(static_cast<char>(byte));
    } else if (current == 'C' && byte <= 99) {
      content->push_back(static_cast<char>('0' + byte / 10));
      content->push_back(static_cast<char>('0' + byte % 10));
    } else {
      *error = current == 0 ? "Code 128 data that does not start with a code-set selection"
                            : "a byte outside Code 128 code set " + std::string(1, current);
      return false;
    }
  }
  if (content->empty()) {
    *error = "Code 128 without characters";
    return false;
  }
  return true;
}

bool EncodeLinear(int system, const std::vector<uint8_t>& data, EncodedSymbol* symbol,
                  std::string* error) {
  ZintRequest request;
  std::string input;
  if (!LinearRequest(system, std::string(data.begin(), data.end()), &request, &input, error)) {
    return false;
  }
  return RunZint(request, input, symbol, error);
}

bool EncodeQr(const std::vector<uint8_t>& data, const QrOptions& options, EncodedSymbol* symbol,
              std::string* error) {
  ZintRequest request;
  if (options.model == 49) {
    *error = "QR model 1 is not drawn";
    return false;
  }
  request.symbology = options.model == 51 ? BARCODE_MICROQR : BARCODE_QRCODE;
  request.option1 = std::clamp(options.errorLevel - 48, 0, 3) + 1;
  request.option2 = std::clamp(options.version, 0, 40);
  return RunZint(request, std::string(data.begin(), data.end()), symbol, error);
}

bool EncodePdf417(const std::vector<uint8_t>& data, const Pdf417Options& options,
                  EncodedSymbol* symbol, std::string* error) {
  ZintRequest request;
  request.symbology = options.truncated ? BARCODE_PDF417COMP : BARCODE_PDF417;
  request.option1 = options.errorLevel < 0 ? -1 : std::min(options.errorLevel, 8);
  request.option2 = std::clamp(options.columns, 0, 30);
  request.option3 = options.rows == 0 ? 0 : std::clamp(options.rows, 3, 90);
  if (!RunZint(request, std::string(data.begin(), data.end()), symbol, error)) return false;
  symbol->hri.clear();
  return true;
}

}  // namespace qvvp
