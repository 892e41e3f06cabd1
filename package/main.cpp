// norvane-pack: the unsigned MSIX package of a Windows build. tools/package.sh runs it and signs
// what it writes.
//
//   norvane-pack --exe norvane.exe --assets DIR --out FILE
//                [--version V] [--name N] [--publisher P]
//
// The identity defaults to the project's (base/version.h); package.sh passes the Windows
// build's own, so the package always describes the executable it holds.
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "base/version.h"
#include "package/msix.h"

namespace {

int fail(const std::string& message) {
    std::fprintf(stderr, "norvane-pack: %s\n", message.c_str());
    return 1;
}

bool read(const std::string& path, std::string& bytes) {
    std::ifstream in(path, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), {});
    return in.good() || in.eof();
}

// Beside the destination, then renamed over it: a reader never sees half a package.
bool write(const std::string& path, const std::string& bytes) {
    const std::string part = path + ".part";
    bool written;
    {
        std::ofstream out(part, std::ios::binary | std::ios::trunc);
        written = static_cast<bool>(
            out.write(bytes.data(), static_cast<std::streamsize>(bytes.size())).flush());
    }
    std::error_code ec;
    if (written)
        std::filesystem::rename(part, path, ec);
    if (!written || ec) {
        std::filesystem::remove(part, ec);
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    std::string exe, assets, out;
    nv::PackageIdentity id{NV_PACKAGE_NAME, NV_PUBLISHER, NV_VERSION,
                           NV_PRODUCT_NAME, NV_COMPANY,   NV_DESCRIPTION};
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string key = argv[i], value = argv[i + 1];
        if (key == "--exe")
            exe = value;
        else if (key == "--assets")
            assets = value;
        else if (key == "--out")
            out = value;
        else if (key == "--version")
            id.version = value;
        else if (key == "--name")
            id.name = value;
        else if (key == "--publisher")
            id.publisher = value;
        else
            return fail("unknown option " + key);
    }
    if (argc % 2 == 0 || exe.empty() || assets.empty() || out.empty())
        return fail(
            "usage: norvane-pack --exe FILE --assets DIR --out FILE [--version V] "
            "[--name N] [--publisher P]");
    std::vector<nv::ZipEntry> payload(1);
    payload[0].name = "norvane.exe";
    if (!read(exe, payload[0].data))
        return fail("cannot read " + exe);
    for (const char* logo : {"Square44x44Logo.png", "Square150x150Logo.png", "StoreLogo.png"}) {
        nv::ZipEntry e{std::string("Assets/") + logo, {}};
        if (!read(assets + "/" + logo, e.data))
            return fail("cannot read " + assets + "/" + logo);
        payload.push_back(std::move(e));
    }
    try {
        if (!write(out, nv::build_msix(id, std::move(payload))))
            return fail("cannot write " + out);
    } catch (const std::exception& e) {
        return fail(e.what());
    }
    return 0;
}
