// norvane-server: the reference data service, finance service and release feed of Norvane.
//
//   norvane-server serve --data DIR --listen 127.0.0.1:PORT [--demo]
//   norvane-server user add --data DIR --account ACCOUNT --type personal|enterprise
//                  --company NAME [--username NAME] [--phone PHONE] [--admin]   (password on stdin)
//   norvane-server release --data DIR --version V --package FILE
#include <httplib.h>
#include <malloc.h>

#include <algorithm>
#include <cctype>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "server/api.h"
#include "server/demo.h"
#include "server/store.h"

namespace {

struct Args {
    std::vector<std::string> words;
    std::map<std::string, std::string> options;  // "--x value"; flags map to ""
};

Args parse_args(int argc, char** argv) {
    static const std::vector<std::string> kFlags = {"--demo", "--admin"};
    Args a;
    for (int i = 1; i < argc; ++i) {
        std::string s = argv[i];
        if (s.rfind("--", 0) == 0) {
            bool flag = std::find(kFlags.begin(), kFlags.end(), s) != kFlags.end();
            a.options[s] = (!flag && i + 1 < argc) ? argv[++i] : "";
        } else {
            a.words.push_back(s);
        }
    }
    return a;
}

int usage() {
    std::fprintf(stderr,
                 "usage:\n"
                 "  norvane-server serve --data DIR --listen 127.0.0.1:PORT [--demo]\n"
                 "  norvane-server user add --data DIR --account ACCOUNT --type "
                 "personal|enterprise --company NAME [--username NAME] [--phone PHONE] [--admin]\n"
                 "  norvane-server release --data DIR --version V --package FILE\n");
    return 2;
}

std::string need(const Args& a, const char* key) {
    auto it = a.options.find(key);
    if (it == a.options.end() || it->second.empty())
        throw std::runtime_error(std::string("missing ") + key);
    return it->second;
}

std::string opt(const Args& a, const char* key) {
    auto it = a.options.find(key);
    return it == a.options.end() ? std::string() : it->second;
}

httplib::Server* g_server = nullptr;

void on_signal(int) {
    if (g_server)
        g_server->stop();
}

int serve(const Args& a) {
    std::string dir = need(a, "--data");
    std::string listen = opt(a, "--listen");
    if (listen.empty())
        listen = "127.0.0.1:8080";
    auto colon = listen.rfind(':');
    if (colon == std::string::npos)
        throw std::runtime_error("--listen wants HOST:PORT");
    std::string host = listen.substr(0, colon);
    int port = std::stoi(listen.substr(colon + 1));

    // Answers of a megabyte are built and dropped many times a second: keep glibc from mapping
    // and unmapping each of them (page faults were a fifth of the time of a list call).
    mallopt(M_MMAP_THRESHOLD, 64 * 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, 256 * 1024 * 1024);
    srv::Store store(dir);
    if (a.options.count("--demo")) {
        if (store.empty()) {
            std::cout << srv::seed_demo(store) << std::flush;
        } else {
            std::cout << "data folder already holds accounts; demo data not added\n" << std::flush;
        }
    }
    httplib::Server server;
    srv::install_routes(server, store);
    g_server = &server;
    std::signal(SIGINT, on_signal);
    std::signal(SIGTERM, on_signal);
    if (port == 0) {
        port = server.bind_to_any_port(host);
    } else if (!server.bind_to_port(host, port)) {
        port = -1;
    }
    if (port < 0)
        throw std::runtime_error("cannot listen on " + listen);
    std::cout << "listening on http://" << host << ":" << port << std::endl;
    server.listen_after_bind();
    return 0;
}

int user_add(const Args& a) {
    std::string type = need(a, "--type");
    if (type != "personal" && type != "enterprise")
        throw std::runtime_error("--type must be personal or enterprise");
    std::string password;
    std::getline(std::cin, password);
    if (!password.empty() && password.back() == '\r')
        password.pop_back();
    if (password.empty())
        throw std::runtime_error("empty password on standard input");
    srv::Store store(need(a, "--data"));
    std::string account = need(a, "--account");
    if (store.user_by_account(account))
        throw std::runtime_error("account already exists");
    int64_t id = store.user_add(account, password, type, need(a, "--company"), opt(a, "--username"),
                                opt(a, "--phone"), a.options.count("--admin"));
    std::fill(password.begin(), password.end(), '\0');
    std::cout << id << "\n";
    return 0;
}

int release(const Args& a) {
    std::string version = need(a, "--version");
    // The version goes into a file name and, on the client, into a command line.
    for (char c : version) {
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-'))
            throw std::runtime_error("version may hold only letters, digits, '.' and '-'");
    }
    std::string package = need(a, "--package");
    srv::Store store(need(a, "--data"));
    std::string file = "Norvane-" + version + ".msix";
    std::string target = store.dir() + "/releases/" + file;
    std::filesystem::copy_file(package, target + ".tmp",
                               std::filesystem::copy_options::overwrite_existing);
    std::filesystem::rename(target + ".tmp", target);
    store.release_add(version, file);
    std::cout << "published " << version << " as /releases/" << file << "\n";
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    Args a = parse_args(argc, argv);
    try {
        if (a.words == std::vector<std::string>{"serve"})
            return serve(a);
        if (a.words == std::vector<std::string>{"user", "add"})
            return user_add(a);
        if (a.words == std::vector<std::string>{"release"})
            return release(a);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "norvane-server: %s\n", e.what());
        return 1;
    }
    return usage();
}
