#include "update/updater.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

#include "base/app_identity.h"
#include "base/log.h"
#include "base/text.h"
#include "fakes/fakes.h"

namespace nv {
namespace {

bool Newer(std::u16string_view remote) {
    return read_version(remote) > read_version(u"1.2.10");
}

TEST(Updater, VersionsCompareAsNumbers) {
    for (auto v : {u"1.2.11", u"1.3", u"2", u"1.10.0", u" 1.2.11", u"1.2.11-beta"})
        EXPECT_TRUE(Newer(v)) << std::u16string(v).size();
    for (auto v : {u"1.2.10", u"1.2.9", u"v1.3.0", u"", u"1..3", u"-1.5.0"})
        EXPECT_FALSE(Newer(v)) << std::u16string(v).size();
    EXPECT_EQ(read_version(u"v1.3.0"), VersionNumber{});
    EXPECT_EQ(read_version(u"99999999999.1.2").major, 2147483647);
}

TEST(Updater, QuotedValueIsAPlainScan) {
    std::u16string manifest = u"{\"version\": \"1.2.11\", \"package\":\"http://h/p.msix\"}";
    EXPECT_EQ(quoted_value(manifest, u"version"), u"1.2.11");
    EXPECT_EQ(quoted_value(manifest, u"package"), u"http://h/p.msix");
    EXPECT_EQ(quoted_value(manifest, u"missing"), u"");
    // A number takes the next quoted text after the colon; escapes stay as they are.
    EXPECT_EQ(quoted_value(u"{\"version\":1.3,\"package\":\"a\\\"b\"}", u"version"), u"package");
    EXPECT_EQ(quoted_value(u"{\"package\":\"a\\\"b\"}", u"package"), u"a\\");
    EXPECT_EQ(quoted_value(u"{\"version\":\"open", u"version"), u"");
}

TEST(Updater, PackagePathAndCommandLine) {
    EXPECT_EQ(package_folder(std::nullopt), u"C:\\Users\\Public");
    EXPECT_EQ(package_folder(u""), u"C:\\Users\\Public");
    EXPECT_EQ(package_folder(u"D:\\Pub"), u"D:\\Pub");
    EXPECT_EQ(package_folder(std::u16string(259, u'x')), std::u16string(259, u'x'));
    EXPECT_EQ(package_folder(std::u16string(260, u'x')), u"C:\\Users\\Public");
    EXPECT_EQ(package_path(u"C:\\Users\\Public", u"1.2.11"),
              u"C:\\Users\\Public\\Norvane-update-1.2.11.msix");
    EXPECT_EQ(install_command_line(u"C:\\P\\N.msix"),
              u"powershell.exe -NoProfile -NonInteractive -ExecutionPolicy Bypass -Command "
              u"\"Start-Sleep -Seconds 2; try { Add-AppxPackage -Path 'C:\\P\\N.msix' } catch "
              u"{ exit 1 }\"");
    for (auto v : {u"1.2'3", u"1 2", u"1;2", u"..\\1", u"1\"2", u"1/2"})
        EXPECT_FALSE(safe_version_text(v));
    EXPECT_FALSE(safe_version_text(std::u16string(65, u'1')));
    EXPECT_TRUE(safe_version_text(std::u16string(64, u'1')));
    EXPECT_TRUE(safe_version_text(u"1.2.11_b-2"));
    EXPECT_TRUE(http_url(u"HTTPS://h/p"));
    EXPECT_FALSE(http_url(u"file:///C:/x.msix"));
    EXPECT_FALSE(http_url(u"\\\\server\\share\\x.msix"));
}

std::string LogText(const char* path) {
    app_log().close();
    std::ifstream f(path);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

TEST(Updater, CheckLogsEachOutcomeAndDownloadsOnlyANewerSafeRelease) {
    std::string file = fake::temp_path("updater_test.log");
    const char* path = file.c_str();
    std::remove(path);
    app_log().open(utf8_to_utf16(file));
    fake::http_reset();
    int announced = 0;
    auto run = [&](uint32_t status, std::u16string_view body) {
        fake::http_answer_json(status, body);
        run_update_check(u"http://s", u"D:\\Pub", [&] { ++announced; });
    };
    run(404, u"{}");
    const std::u16string built(kBuiltInVersion);
    run(200, u"{\"version\":\"99.0.0\"}");
    run(200, u"{\"version\":\"" + built + u"\",\"package\":\"http://s/p\"}");
    run(200, u"{\"version\":\"99.0.0' ; calc ; '\",\"package\":\"http://s/p\"}");
    run(200, u"{\"version\":\"99.0.0\",\"package\":\"file:///C:/p\"}");
    run(200, u"{\"version\":\"99.0.0\",\"package\":\"http://s/p\"}");  // the fake download fails
    std::string log = LogText(path);
    std::remove(path);
    for (const std::string& line :
         {std::string("updater: json fetch failed netOk=1 status=404"),
          std::string("updater: bad json"),
          "updater: up to date (remote " + utf16_to_utf8(built) + ")",
          std::string("updater: bad manifest (version text refused)"),
          std::string("updater: bad manifest (package URL is not http or https)"),
          std::string("updater: new version 99.0.0 found, downloading"),
          std::string("updater: download failed:")})
        EXPECT_NE(log.find(line), std::string::npos) << line;
    int downloads = 0;
    for (const auto& call : fake::http_calls()) {
        if (call.method == u"DOWNLOAD")
            ++downloads;
        else
            EXPECT_EQ(call.url, u"http://s/releases/Norvane.json");
    }
    EXPECT_EQ(downloads, 1);
    EXPECT_EQ(announced, 0);
    EXPECT_FALSE(exit_install_command());
}

// The package gets its final name only when complete; a complete one is not fetched again; a
// public folder with a quote PowerShell reads is refused.
TEST(Updater, APackageIsMovedIntoPlaceWholeAndNotFetchedTwice) {
    // Natively the folder's backslash is part of a file name in the temporary folder.
    const std::string tmp = std::filesystem::temp_directory_path().string() + "/nv_updater_place";
    const std::string log_path = tmp + ".log";
    const char* path = log_path.c_str();
    std::remove(path);
    app_log().open(utf8_to_utf16(log_path));
    const std::u16string folder = utf8_to_utf16(tmp);
    const std::string package = tmp + "\\Norvane-update-99.0.0.msix";
    std::remove(package.c_str());
    std::filesystem::create_directories(tmp);  // where the package goes under Windows
    fake::http_reset();
    fake::http_download_gives("MSIX");
    auto run = [&](std::u16string_view public_folder) {
        fake::http_answer_json(200, u"{\"version\":\"99.0.0\",\"package\":\"http://s/p\"}");
        run_update_check(u"http://s", std::u16string(public_folder), [] {});
    };
    run(folder);
    ASSERT_EQ(fake::http_calls().size(), 2u);
    EXPECT_EQ(fake::http_calls()[1].body, folder + u"\\Norvane-update-99.0.0.msix.part");
    {
        std::ifstream placed(package, std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(placed)), {});
        EXPECT_EQ(bytes, "MSIX");
    }
    EXPECT_FALSE(std::ifstream(package + ".part").good());
    run(folder);  // a second start: the complete package is there
    EXPECT_EQ(fake::http_calls().size(), 3u);
    for (std::u16string quoted : {folder + u"'x", folder + u"\u2019x"}) {
        run(quoted);
        EXPECT_NE(fake::http_calls().back().method, u"DOWNLOAD");
    }
    std::string log = LogText(path);
    std::remove(path);
    std::remove(package.c_str());
    std::error_code ec;
    std::filesystem::remove_all(tmp, ec);
    EXPECT_NE(log.find("updater: new version 99.0.0 already downloaded"), std::string::npos);
    EXPECT_NE(log.find("updater: public folder refused (it holds a quote)"), std::string::npos);
    EXPECT_TRUE(exit_install_command());
}

}  // namespace
}  // namespace nv
