#include "common/ports/po_text.h"

#include <cstring>
#include <string_view>

namespace qvports {
namespace {

constexpr POTextRow kConfigToolRows[] = {
    {"PO_ERR_SUCCESS", u"Success", u"成功"},
    {"PO_ERR_INVALID_PARAM", u"Invalid Param", u"无效参数"},
    {"PO_ERR_SELECT_PRINTER_TYPE", u"Please Select Printer Type!", u"请选择打印机类型"},
    {"PO_ERR_FILE_NOT_FIND", u"File Not Find", u"文件未找到"},
    {"PO_ERR_INVALID_FIRMWARE", u"Invalid firmware", u"无效的固件程序文件"},
    {"PO_ERR_NOT_FINE_USB_PRINTER", u"Can't find usb printer", u"未找到USB打印机"},
    {"PO_ERR_CANNOT_OPEN_USB_PRINTER", u"Can't open usb printer", u"无法打开USB打印机"},
    {"PO_ERR_WRITE_USB_FAIL", u"Write to usb fail", u"向USB打印机写入失败"},
    {"PO_ERR_READ_USB_FAIL", u"Read from usb fail", u"向USB打印机读取失败"},
    {"PO_ERR_READ_USB_BEYOND_MAX_TIME", u"Read USB wait timeout", u"读取USB等待超时"},
    {"PO_ERR_VERSION_NONSUPPORT_GETTING_RESULT", u"This version nonsupport to get setting result",
     u"该版本不支持获取设置结果反馈"},
    {"PO_ERR_PRINT_STATUS_IS_NOT_READY", u"Operation failed,Printer is not ready",
     u"操作失败，打印机未处于就绪状态"},
};

constexpr POTextRow kTestAppRows[] = {
    {"PO_ERR_SUCCESS", u"Success", u"成功"},
    {"PO_ERR_INVALID_PARAM", u"Invalid Param", u"无效参数"},
    {"PO_ERR_SELECT_PRINTER_TYPE", u"Please Select Printer!", u"请选择打印机"},
    {"PO_ERR_SELECT_DRAWER_TYPE", u"Please Select Cash Drawer!", u"请选择钱箱"},
    {"PO_ERR_FILE_NOT_FIND", u"File Not Find", u"文件未找到"},
    {"PO_ERR_INVALID_FIRMWARE", u"Invalid firmware", u"无效的固件程序文件"},
    {"PO_ERR_NOT_FINE_USB_PRINTER", u"Can't find usb printer", u"未找到USB打印机"},
    {"PO_ERR_CANNOT_OPEN_USB_PRINTER", u"Can't open usb printer", u"无法打开USB打印机"},
    {"PO_ERR_WRITE_USB_FAIL", u"Write to usb fail", u"向USB打印机写入失败"},
    {"PO_ERR_READ_USB_FAIL", u"Read from usb fail", u"向USB打印机读取失败"},
    {"PO_ERR_READ_USB_BEYOND_MAX_TIME", u"Read USB wait timeout", u"读取USB等待超时"},
    {"PO_ERR_VERSION_NONSUPPORT_GETTING_RESULT", u"This version nonsupport to get setting result",
     u"该版本不支持获取设置结果反馈"},
    {"PO_ERR_PRINT_STATUS_IS_NOT_READY", u"Operation failed,Printer is not ready",
     u"操作失败，打印机未处于就绪状态"},
};

std::atomic<POTextTable> g_table{POTextTable::kConfigTool};

POTextLanguage& ProgramLanguage() {
  static POTextLanguage language(&SystemDefaultLangId);
  return language;
}

}  // namespace

std::span<const POTextRow> POTextRows(POTextTable table) {
  if (table == POTextTable::kTestApp) return kTestAppRows;
  return kConfigToolRows;
}

char16_t* GetPOText(POTextTable table, bool chinese, const char* key, char16_t* out) {
  if (key == nullptr || out == nullptr) return nullptr;
  for (const POTextRow& row : POTextRows(table)) {
    if (std::strcmp(row.key, key) != 0) continue;
    std::u16string_view text = chinese ? row.chinese : row.english;
    std::memcpy(out, text.data(), text.size() * sizeof(char16_t));
    out[text.size()] = u'\0';
    return out;
  }
  return nullptr;
}

bool POTextLanguage::IsChinese() {
  if (m_langId.load(std::memory_order_acquire) == 0) {
    LANGID id = m_read();
    // Concurrent first calls each store the same answer; the flag is
    // published before the identifier that marks it valid.
    m_chinese.store(id == kLangChineseSimplified, std::memory_order_relaxed);
    m_langId.store(id, std::memory_order_release);
  }
  return m_chinese.load(std::memory_order_relaxed);
}

void SelectPOTextTable(POTextTable table) { g_table.store(table, std::memory_order_relaxed); }

}  // namespace qvports

extern "C" char16_t* BaseGetPOText(const char* key, char16_t* out) {
  bool chinese = qvports::ProgramLanguage().IsChinese();
  return qvports::GetPOText(qvports::g_table.load(std::memory_order_relaxed), chinese, key, out);
}
