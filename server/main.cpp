// norvane-server: the reference data service, finance service and release feed of Norvane.
//
//   norvane-server serve --data DIR [--database postgresql://…] --listen 127.0.0.1:PORT [--demo]
//   norvane-server user add --data DIR [--database …] --account ACCOUNT --type personal|enterprise
//                  --company NAME [--username NAME] [--phone PHONE] [--admin]   (password on stdin)
//   norvane-server release --data DIR [--database …] --version V --package FILE
//   norvane-server shard add --data DIR [--database …] [--dsn postgresql://…] [--name NAME]
//   norvane-server migrate --from DIR --to postgresql://…
#include <malloc.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "server/api.h"
#include "server/demo.h"
#include "server/http.h"
#include "server/migrate.h"
#include "server/pg.h"
#include "server/store.h"

namespace {

struct Args {
    std::vector<std::string> words;
    std::map<std::string, std::string> options;  // "--x value"; flags map to ""
};

Args parse_args(int argc, char** argv) {
    static const std::vector<std::string> kFlags = {"--demo", "--admin", "--operator", "--force",
                                                    "--open-data-service"};
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
    std::fprintf(
        stderr,
        "usage:\n"
        "  norvane-server serve --data DIR --listen 127.0.0.1:PORT [--demo]"
        " [--public-url http://HOST:PORT] [--login-window SECONDS] [--max-notes N]\n"
        "        [--request-timeout SECONDS] [--workers N] [--open-data-service]\n"
        "  norvane-server user add --data DIR --account ACCOUNT --type "
        "personal|enterprise --company NAME [--username NAME] [--phone PHONE] [--admin] "
        "[--operator]\n"
        "  norvane-server release --data DIR --version V --package FILE [--force]\n"
        "  norvane-server shard add --data DIR [--dsn postgresql://…] [--name NAME]"
        " [--max-tenants N]\n"
        "  norvane-server migrate --from DIR --to postgresql://…\n"
        "Every command but migrate takes --database postgresql://… to keep everything but\n"
        "the release packages in PostgreSQL instead of SQLite files in --data.\n");
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

// "HOST:PORT", "[IPv6]:PORT" or ":PORT" (all interfaces of IPv4); the port 0 to 65535, 0
// picking a free one.
std::pair<std::string, int> parse_listen(const std::string& listen) {
    std::string host, port_text;
    if (!listen.empty() && listen[0] == '[') {
        auto close = listen.find(']');
        if (close == std::string::npos || close + 1 >= listen.size() || listen[close + 1] != ':')
            throw std::runtime_error("--listen wants [IPv6]:PORT, not " + listen);
        host = listen.substr(1, close - 1);
        port_text = listen.substr(close + 2);
    } else {
        auto colon = listen.rfind(':');
        if (colon == std::string::npos || listen.find(':') != colon)
            throw std::runtime_error("--listen wants HOST:PORT (IPv6 as [ADDRESS]:PORT), not " +
                                     listen);
        host = listen.substr(0, colon);
        port_text = listen.substr(colon + 1);
    }
    if (host.empty())
        host = "0.0.0.0";
    bool digits = !port_text.empty() && port_text.size() <= 5 &&
                  std::all_of(port_text.begin(), port_text.end(),
                              [](unsigned char c) { return c >= '0' && c <= '9'; });
    int port = digits ? std::stoi(port_text) : -1;
    if (port < 0 || port > 65535)
        throw std::runtime_error("--listen: the port must be a number from 0 to 65535, not \"" +
                                 port_text + "\"");
    return {host, port};
}

// A data folder the server cannot write would let it start and then answer every write with a
// 500: refuse to start instead.
void check_writable(const std::string& dir) {
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    std::string probe = dir + "/.write-test";
    std::FILE* f = std::fopen(probe.c_str(), "wb");
    bool ok = f && std::fputs("x", f) >= 0;
    if (f)
        ok = std::fclose(f) == 0 && ok;
    std::remove(probe.c_str());
    if (!ok)
        throw std::runtime_error("the data folder " + dir + " cannot be written");
}

// A release version: letters, digits, '.', '_' and '-', at most 64 characters, starting with
// three dot-separated numbers (major.minor.patch). It becomes a file name and, on the client, a
// command-line argument.
std::vector<long> version_numbers(const std::string& version) {
    if (version.empty() || version.size() > 64)
        throw std::runtime_error("version must be 1 to 64 characters");
    for (char c : version) {
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '_' || c == '-'))
            throw std::runtime_error("version may hold only letters, digits, '.', '_' and '-'");
    }
    std::vector<long> numbers;
    std::size_t at = 0;
    while (numbers.size() < 3) {
        std::size_t end = at;
        while (end < version.size() && std::isdigit(static_cast<unsigned char>(version[end])))
            ++end;
        if (end == at || end - at > 9)
            throw std::runtime_error("version must start with MAJOR.MINOR.PATCH numbers");
        numbers.push_back(std::stol(version.substr(at, end - at)));
        if (numbers.size() < 3) {
            if (end >= version.size() || version[end] != '.')
                throw std::runtime_error("version must start with MAJOR.MINOR.PATCH numbers");
            at = end + 1;
        }
    }
    return numbers;
}

// Stopped by SIGINT and SIGTERM; the server's stop only stores a flag and wakes its loop, which
// is safe in a signal handler, and a stop that comes before the loop runs is kept.
srv::http::Server* g_server = nullptr;

void on_signal(int) {
    if (g_server)
        g_server->stop();
}

int number_option(const Args& a, const char* key, int low, int high, int fallback) {
    std::string v = opt(a, key);
    if (v.empty())
        return fallback;
    bool digits = v.size() <= 9 && std::all_of(v.begin(), v.end(), [](unsigned char c) {
                      return c >= '0' && c <= '9';
                  });
    long n = digits ? std::stol(v) : -1;
    if (n < low || n > high)
        throw std::runtime_error(std::string(key) + " wants a number from " + std::to_string(low) +
                                 " to " + std::to_string(high));
    return static_cast<int>(n);
}

// The store of --data, on PostgreSQL when --database names one. Its connection string is never
// printed with a password.
std::unique_ptr<srv::Store> open(const Args& a, int connections) {
    return srv::open_store(need(a, "--data"), opt(a, "--database"), connections);
}

int serve(const Args& a) {
    std::string dir = need(a, "--data");
    std::string listen = opt(a, "--listen");
    if (listen.empty())
        listen = "127.0.0.1:8080";
    auto [host, port] = parse_listen(listen);

    // Answers of a megabyte are built and dropped many times a second: keep glibc from mapping
    // and unmapping each of them (page faults were a fifth of the time of a list call).
    mallopt(M_MMAP_THRESHOLD, 64 * 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, 256 * 1024 * 1024);
    check_writable(dir);
    const int workers = number_option(a, "--workers", 1, 256, 8);
    auto opened = open(a, workers);
    srv::Store& store = *opened;
    if (a.options.count("--demo")) {
        if (store.empty()) {
            std::cout << srv::seed_demo(store) << std::flush;
        } else {
            std::cout << "data folder already holds accounts; demo data not added\n" << std::flush;
        }
    }
    srv::http::Limits limits;
    limits.request_deadline =
        std::chrono::seconds(number_option(a, "--request-timeout", 1, 3600, 20));
    limits.workers = workers;
    srv::http::Server server(limits);
    try {
        port = server.bind(host, port);
    } catch (const std::exception& e) {
        throw std::runtime_error("cannot listen on " + listen + " (" + e.what() +
                                 "; another server may be using it)");
    }
    bool ipv6 = host.find(':') != std::string::npos;
    std::string address = "http://" + (ipv6 ? "[" + host + "]" : host) + ":" + std::to_string(port);
    std::string public_url = opt(a, "--public-url");
    while (!public_url.empty() && public_url.back() == '/') public_url.pop_back();
    srv::ServeOptions options;
    options.public_url = public_url.empty() ? address : public_url;
    options.login_window_seconds = number_option(a, "--login-window", 1, 86400 * 365, 900);
    options.max_notes_per_user = number_option(a, "--max-notes", 1, 100000000, 20000);
    options.open_data_service = a.options.count("--open-data-service") > 0;
    srv::install_routes(server, store, options);
    g_server = &server;
    std::signal(SIGINT, on_signal);
    std::signal(SIGTERM, on_signal);
    std::cout << "listening on " << address << std::endl;
    server.run();
    g_server = nullptr;
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
    auto opened = open(a, 1);
    srv::Store& store = *opened;
    std::string account = need(a, "--account");
    if (store.user_by_account(account))
        throw std::runtime_error("account already exists");
    int64_t id = store.user_add(account, password, type, need(a, "--company"), opt(a, "--username"),
                                opt(a, "--phone"), a.options.count("--admin"),
                                a.options.count("--operator"));
    std::fill(password.begin(), password.end(), '\0');
    std::cout << id << "\n";
    return 0;
}

int release(const Args& a) {
    std::string version = need(a, "--version");
    std::vector<long> numbers = version_numbers(version);
    std::string package = need(a, "--package");
    auto opened = open(a, 1);
    srv::Store& store = *opened;
    // The latest release never goes backwards by accident.
    if (auto latest = store.release_latest(); latest && !a.options.count("--force")) {
        std::vector<long> current;
        try {
            current = version_numbers(latest->version);
        } catch (const std::exception&) {
        }
        if (!current.empty() && numbers <= current)
            throw std::runtime_error("version " + version + " is not newer than the latest, " +
                                     latest->version + " (--force publishes it anyway)");
    }
    std::string file = "Norvane-" + version + ".msix";
    std::string target = store.dir() + "/releases/" + file;
    std::filesystem::copy_file(package, target + ".tmp",
                               std::filesystem::copy_options::overwrite_existing);
    std::filesystem::rename(target + ".tmp", target);
    store.release_add(version, file);
    std::cout << "published " << version << " as /releases/" << file << "\n";
    return 0;
}

int shard_add(const Args& a) {
    auto store = open(a, 1);
    std::string dsn = opt(a, "--dsn");
    int64_t id =
        store->shard_add(opt(a, "--name"), number_option(a, "--max-tenants", 1, 100000, 8), dsn);
    std::cout << "shard " << id << " added" << (dsn.empty() ? "" : " on " + srv::pg::describe(dsn))
              << "\n";
    return 0;
}

int migrate(const Args& a) {
    srv::migrate(need(a, "--from"), need(a, "--to"), std::cout);
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
        if (a.words == std::vector<std::string>{"shard", "add"})
            return shard_add(a);
        if (a.words == std::vector<std::string>{"migrate"})
            return migrate(a);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "norvane-server: %s\n", e.what());
        return 1;
    }
    return usage();
}
