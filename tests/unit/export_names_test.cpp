#include "export/export_names.h"

#include <gtest/gtest.h>

namespace nv {
namespace {

TEST(ExportNames, ProposedNameTemporaryFileAndCompany) {
    EXPECT_EQ(export_file_name(u"SHD/2026:12\t06"), u"送货单_SHD_2026_12_06");
    EXPECT_EQ(export_file_name(u"a<b>c\"d\\e|f?g*h"), u"送货单_a_b_c_d_e_f_g_h");
    EXPECT_EQ(export_temp_path(u"C:\\送货单_X.docx", 4312),
              u"C:\\送货单_X.docx.nv-export-4312.tmp");
    EXPECT_EQ(export_company(u"旧", true, u"新"), u"新");
    EXPECT_EQ(export_company(u"旧", false, u""), u"旧");  // the service is unreachable
    EXPECT_EQ(export_company(u"旧", true, u""), u"旧");
    EXPECT_EQ(export_company(u"", false, u""), u"澄岚映辉");
}

}  // namespace
}  // namespace nv
