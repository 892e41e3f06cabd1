// An MSIX package of the Windows program: its manifest, content types and block map, and the zip
// container that holds them with the payload. Signing is left to osslsigncode, which adds
// AppxSignature.p7x.
#pragma once

#include <string>
#include <vector>

#include "export/zip.h"

namespace nv {

struct PackageIdentity {
    std::string name;       // Identity/@Name, e.g. "Chenglan.Norvane"
    std::string publisher;  // the signing certificate's subject, "CN=…, O=…, C=CN"
    std::string version;    // major.minor.patch, as the project's version
    std::string display_name, publisher_display_name, description;
};

// The project's three-part version as the package's four parts ("3.4.5" → "3.4.5.0"); empty
// when it is not one to three numbers of at most 65535 each.
std::string package_version(const std::string& version);

std::string appx_manifest(const PackageIdentity& id);

// Each extension of the payload gets a Default; the package's own parts, and the signature still
// to come, get Overrides. Declaring the signature beforehand lets the signer add its part without
// rewriting this one.
std::string content_types(const std::vector<ZipEntry>& payload);

// Every file of `files` (payload and manifest, in container order) in 64 KiB blocks with each
// block's SHA-256. The files are stored, so blocks carry no compressed size.
std::string block_map(const std::vector<ZipEntry>& files);

// The unsigned package: the payload ("/"-separated names), AppxManifest.xml, AppxBlockMap.xml and
// [Content_Types].xml. Throws std::invalid_argument for an identity or name the format refuses.
std::string build_msix(const PackageIdentity& id, std::vector<ZipEntry> payload);

}  // namespace nv
