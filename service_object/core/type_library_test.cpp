// The dispatch tables the two service objects answer from must match the
// type library QVSOLib row for row: names, dispids, parameter types and the
// retval attribute.
#include <gtest/gtest.h>

#include <string>

#include "platform/com/dispatch.h"
#include "service_object/core/qvso_interfaces.h"
#include "service_object/core/type_library.h"
#include "service_object/drawer/cash_drawer.h"
#include "service_object/printer/opos_printer.h"

namespace {

void ExpectTableMatches(const TypeLibInterface& description, const qvplatform::DispatchTable& table,
                        size_t methodCount) {
  ASSERT_EQ(description.methods.size(), methodCount);
  DISPID expectedDispid = 1;
  for (const TypeLibMethod& method : description.methods) {
    SCOPED_TRACE(
        std::string(method.name, method.name + std::char_traits<char16_t>::length(method.name)));
    EXPECT_EQ(method.dispid, expectedDispid++);  // dispid equals the row number
    const qvplatform::DispMember* row = table.Find(method.dispid, qvplatform::DispKind::kMethod);
    ASSERT_NE(row, nullptr);
    EXPECT_TRUE(qvplatform::DispNamesEqual(row->name, method.name));
    ASSERT_EQ(row->paramCount, method.params.size());
    for (size_t i = 0; i < method.params.size(); ++i) {
      EXPECT_EQ(row->params[i], method.params[i].type) << "parameter " << i;
    }
    const bool retval =
        !method.params.empty() && (method.params.back().flags & PARAMFLAG_FRETVAL) != 0;
    EXPECT_EQ(row->lastIsRetval, retval);
  }
  EXPECT_EQ(table.Find(static_cast<DISPID>(methodCount + 1), qvplatform::DispKind::kMethod),
            nullptr);
}

TEST(TypeLibraryTest, PrinterTableMatchesIOposPrinter) {
  ExpectTableMatches(IOposPrinterDescription(), QVCOposPrinter::DispTable(), 40);
}

TEST(TypeLibraryTest, CashDrawerTableMatchesICCashDrawer) {
  ExpectTableMatches(ICCashDrawerDescription(), CCashDrawer::DispTable(), 18);
}

TEST(TypeLibraryTest, LibraryIdentity) {
  const TypeLibrary& library = QvsoTypeLibrary();
  EXPECT_EQ(std::u16string(library.name), u"QVSOLib");
  EXPECT_EQ(std::u16string(library.helpString), u"QVSO 1.0 Type Library");
  EXPECT_TRUE(library.libid == LIBID_QVSOLib);
  EXPECT_EQ(library.majorVersion, 1);
  EXPECT_EQ(library.minorVersion, 0);
  EXPECT_EQ(library.lcid, 0x409u);
  EXPECT_TRUE(library.classes[0].clsid == CLSID_QVOposPrinter);
  EXPECT_EQ(library.classes[0].defaultInterface, &IOposPrinterDescription());
  EXPECT_TRUE(library.classes[1].clsid == CLSID_CCashDrawer);
  EXPECT_EQ(library.classes[1].defaultInterface, &ICCashDrawerDescription());
  // Parameters marked in/out and plain pointers.
  const TypeLibMethod& directIo = IOposPrinterDescription().methods[29];
  EXPECT_EQ(std::u16string(directIo.name), u"DirectIO");
  EXPECT_EQ(directIo.params[1].flags, PARAMFLAG_FIN | PARAMFLAG_FOUT);
  const TypeLibMethod& drawRuledLine = IOposPrinterDescription().methods[39];
  EXPECT_EQ(drawRuledLine.params.back().flags, PARAMFLAG_NONE);
}

}  // namespace
