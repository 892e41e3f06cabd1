// The release feed: the manifest of the latest release and its package.
#include <cstdio>

#include "server/json.h"
#include "server/routes.h"

namespace srv::api {

namespace {

void manifest(Store& store, const std::string& public_url, Response& res) {
    auto r = store.release_latest();
    if (!r)
        return fail(res, 404, "尚未发布版本");
    JsonOut o;
    o.begin_object()
        .key("version")
        .str(r->version)
        .key("package")
        .str(public_url + "/releases/" + r->file)
        .end_object();
    send(res, 200, o.take());
}

void package(Store& store, const Request& req, Response& res) {
    std::string name = req.capture;
    auto r = store.release_latest();
    // Only files that were published are served; names never reach the file system otherwise.
    if (!r || name != r->file)
        return fail(res, 404, "文件不存在");
    std::FILE* f = std::fopen((store.dir() + "/releases/" + name).c_str(), "rb");
    if (!f)
        return fail(res, 404, "文件不存在");
    std::string data;
    char buf[65536];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) data.append(buf, n);
    std::fclose(f);
    res.status = 200;
    res.body = std::move(data);
    res.content_type = "application/msix";
}

}  // namespace

void add_release_routes(http::Server& svr, Store& store, const ServeOptions& options) {
    // The package address comes from the configured public URL, never from the request's Host
    // header, which a client can forge.
    svr.route("GET", "/releases/Norvane.json", kMaxQueryBodyBytes,
              guarded([&store, public_url = options.public_url](auto&, auto& res) {
                  manifest(store, public_url, res);
              }));
    svr.route("GET", "/releases/*", kMaxQueryBodyBytes, on_store(store, package));
}

}  // namespace srv::api
