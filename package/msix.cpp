#include "package/msix.h"

#include <sodium.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <stdexcept>

#include "base/text.h"
#include "export/docx.h"

namespace nv {
namespace {

constexpr std::size_t kBlock = 64 * 1024;

std::string xml(const std::string& utf8) {
    return xml_escape(utf8_to_utf16(utf8));
}

std::string base64_sha256(std::string_view data) {
    unsigned char hash[crypto_hash_sha256_BYTES];
    crypto_hash_sha256(hash, reinterpret_cast<const unsigned char*>(data.data()), data.size());
    char text[sodium_base64_ENCODED_LEN(crypto_hash_sha256_BYTES, sodium_base64_VARIANT_ORIGINAL)];
    sodium_bin2base64(text, sizeof text, hash, sizeof hash, sodium_base64_VARIANT_ORIGINAL);
    return text;
}

std::string extension(const std::string& name) {
    const auto slash = name.rfind('/');
    const auto dot = name.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return {};
    std::string ext = name.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext;
}

std::string content_type_of(const std::string& ext) {
    static const std::map<std::string, std::string> known = {
        {"exe", "application/x-msdownload"},
        {"dll", "application/x-msdownload"},
        {"png", "image/png"},
        {"ico", "image/vnd.microsoft.icon"},
        {"txt", "text/plain"},
        {"xml", "application/xml"},
    };
    const auto it = known.find(ext);
    return it == known.end() ? "application/octet-stream" : it->second;
}

// Names the package format accepts: ASCII, "/"-separated, no empty or dot segment, no part name
// of the package itself, at most 260 characters as Windows writes them.
void check_payload_name(const std::string& name) {
    bool ok = !name.empty() && name.size() <= 260 && name.front() != '/' && name.back() != '/';
    for (unsigned char c : name)
        ok = ok && c > 0x20 && c < 0x7F && c != '\\' && c != '"' && c != '<' && c != '>' &&
             c != ':' && c != '|' && c != '?' && c != '*';
    ok = ok && name.find("//") == std::string::npos && name.find("./") == std::string::npos;
    for (const char* reserved : {"AppxManifest.xml", "AppxBlockMap.xml", "[Content_Types].xml",
                                 "AppxSignature.p7x", "AppxMetadata/"})
        ok = ok && name.rfind(reserved, 0) != 0;
    if (!ok)
        throw std::invalid_argument("package: a payload file name the format refuses: " + name);
}

}  // namespace

std::string package_version(const std::string& version) {
    std::vector<std::string> parts(1);
    for (char c : version) {
        if (c == '.')
            parts.emplace_back();
        else if (c >= '0' && c <= '9' && parts.back().size() < 5)
            parts.back() += c;
        else
            return {};
    }
    if (parts.size() > 3)
        return {};
    std::string out;
    for (const std::string& p : parts) {
        if (p.empty() || std::stoul(p) > 65535 || (p.size() > 1 && p[0] == '0'))
            return {};
        out += p + '.';
    }
    while (parts.size() < 4) {
        out += "0.";
        parts.emplace_back("0");
    }
    out.pop_back();
    return out;
}

std::string appx_manifest(const PackageIdentity& id) {
    bool name_ok = id.name.size() >= 3 && id.name.size() <= 50;
    for (unsigned char c : id.name) name_ok = name_ok && (std::isalnum(c) || c == '.' || c == '-');
    if (!name_ok)
        throw std::invalid_argument("package: the name is not 3 to 50 of A-Z a-z 0-9 . -: " +
                                    id.name);
    const std::string version = package_version(id.version);
    if (version.empty())
        throw std::invalid_argument("package: the version is not major.minor.patch: " + id.version);
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"
           "<Package xmlns=\"http://schemas.microsoft.com/appx/manifest/foundation/windows10\"\r\n"
           "         xmlns:uap=\"http://schemas.microsoft.com/appx/manifest/uap/windows10\"\r\n"
           "         xmlns:rescap=\"http://schemas.microsoft.com/appx/manifest/foundation/"
           "windows10/restrictedcapabilities\"\r\n"
           "         IgnorableNamespaces=\"uap rescap\">\r\n"
           "  <Identity Name=\"" +
           xml(id.name) + "\" Publisher=\"" + xml(id.publisher) + "\" Version=\"" + version +
           "\" ProcessorArchitecture=\"x64\"/>\r\n"
           "  <Properties>\r\n"
           "    <DisplayName>" +
           xml(id.display_name) +
           "</DisplayName>\r\n"
           "    <PublisherDisplayName>" +
           xml(id.publisher_display_name) +
           "</PublisherDisplayName>\r\n"
           "    <Logo>Assets\\StoreLogo.png</Logo>\r\n"
           "  </Properties>\r\n"
           "  <Dependencies>\r\n"
           "    <TargetDeviceFamily Name=\"Windows.Desktop\" MinVersion=\"10.0.17763.0\" "
           "MaxVersionTested=\"10.0.22621.0\"/>\r\n"
           "  </Dependencies>\r\n"
           "  <Resources>\r\n"
           "    <Resource Language=\"zh-CN\"/>\r\n"
           "  </Resources>\r\n"
           "  <Applications>\r\n"
           "    <Application Id=\"Norvane\" Executable=\"norvane.exe\" "
           "EntryPoint=\"Windows.FullTrustApplication\">\r\n"
           "      <uap:VisualElements DisplayName=\"" +
           xml(id.display_name) + "\" Description=\"" + xml(id.description) +
           "\" BackgroundColor=\"transparent\" Square150x150Logo=\"Assets\\Square150x150Logo.png\" "
           "Square44x44Logo=\"Assets\\Square44x44Logo.png\"/>\r\n"
           "    </Application>\r\n"
           "  </Applications>\r\n"
           "  <Capabilities>\r\n"
           "    <rescap:Capability Name=\"runFullTrust\"/>\r\n"
           "  </Capabilities>\r\n"
           "</Package>\r\n";
}

std::string content_types(const std::vector<ZipEntry>& payload) {
    std::map<std::string, std::string> defaults;
    for (const ZipEntry& e : payload) {
        const std::string ext = extension(e.name);
        if (!ext.empty())
            defaults.emplace(ext, content_type_of(ext));
    }
    std::string out =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
        "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">";
    for (const auto& [ext, type] : defaults)
        out += "<Default Extension=\"" + ext + "\" ContentType=\"" + type + "\"/>";
    for (const ZipEntry& e : payload)
        if (extension(e.name).empty())
            out += "<Override PartName=\"/" + e.name + "\" ContentType=\"" + content_type_of({}) +
                   "\"/>";
    out +=
        "<Override PartName=\"/AppxManifest.xml\" "
        "ContentType=\"application/vnd.ms-appx.manifest+xml\"/>"
        "<Override PartName=\"/AppxBlockMap.xml\" "
        "ContentType=\"application/vnd.ms-appx.blockmap+xml\"/>"
        "<Override PartName=\"/AppxSignature.p7x\" "
        "ContentType=\"application/vnd.ms-appx.signature\"/>"
        "</Types>\r\n";
    return out;
}

std::string block_map(const std::vector<ZipEntry>& files) {
    if (sodium_init() < 0)
        throw std::runtime_error("package: libsodium did not start");
    std::string out =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
        "<BlockMap xmlns=\"http://schemas.microsoft.com/appx/2010/blockmap\" "
        "HashMethod=\"http://www.w3.org/2001/04/xmlenc#sha256\">";
    for (const ZipEntry& f : files) {
        std::string windows_name = f.name;
        std::replace(windows_name.begin(), windows_name.end(), '/', '\\');
        out += "<File Name=\"" + xml(windows_name) + "\" Size=\"" + std::to_string(f.data.size()) +
               "\" LfhSize=\"" + std::to_string(zip_local_header_size(f)) + "\">";
        for (std::size_t at = 0; at < f.data.size(); at += kBlock)
            out += "<Block Hash=\"" + base64_sha256(std::string_view(f.data).substr(at, kBlock)) +
                   "\"/>";
        out += "</File>";
    }
    out += "</BlockMap>\r\n";
    return out;
}

std::string build_msix(const PackageIdentity& id, std::vector<ZipEntry> payload) {
    for (const ZipEntry& e : payload) check_payload_name(e.name);
    std::string types = content_types(payload);
    payload.push_back({"AppxManifest.xml", appx_manifest(id)});
    std::string map = block_map(payload);
    payload.push_back({"AppxBlockMap.xml", std::move(map)});
    payload.push_back({"[Content_Types].xml", std::move(types)});
    return build_zip(payload);
}

}  // namespace nv
