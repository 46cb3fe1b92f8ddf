// Downloads into the cache: a file:// address, an http server on the loopback
// interface started here, a server that stalls, a file over the size limit and
// addresses of other schemes.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <dirent.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "browse/download.h"

using namespace veltor::browse;

namespace {

std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string freshFolder() {
    std::string path = ::testing::TempDir() + "veltor_cache_XXXXXX";
    return ::mkdtemp(path.data()) != nullptr ? path : std::string();
}

// One connection at a time on 127.0.0.1; each gets `reply` and, when
// `stall`, nothing more for as long as the server lives.
class LoopbackServer {
  public:
    LoopbackServer(std::string reply, bool stall) : m_reply(std::move(reply)), m_stall(stall) {
        m_socket = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(m_socket, reinterpret_cast<sockaddr*>(&a), sizeof a);
        ::listen(m_socket, 4);
        socklen_t len = sizeof a;
        ::getsockname(m_socket, reinterpret_cast<sockaddr*>(&a), &len);
        m_port = ntohs(a.sin_port);
        m_thread = std::thread([this] { serve(); });
    }
    ~LoopbackServer() {
        m_done = true;
        ::shutdown(m_socket, SHUT_RDWR);
        ::close(m_socket);
        m_thread.join();
    }
    std::string url(const std::string& path) const {
        return "http://127.0.0.1:" + std::to_string(m_port) + path;
    }

  private:
    void serve() {
        while (!m_done) {
            const int c = ::accept(m_socket, nullptr, nullptr);
            if (c < 0) return;
            char request[4096];
            (void)::recv(c, request, sizeof request, 0);
            (void)::send(c, m_reply.data(), m_reply.size(), MSG_NOSIGNAL);
            while (m_stall && !m_done)
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            ::close(c);
        }
    }
    std::string m_reply;
    bool m_stall;
    int m_socket = -1;
    int m_port = 0;
    std::atomic<bool> m_done{false};
    std::thread m_thread;
};

} // namespace

TEST(Download, FileAndLoopbackHttp) {
    const std::string cache = freshFolder();
    const std::string source = cache + "/source.dcm";
    { std::ofstream(source, std::ios::binary) << "DICM bytes"; }
    DownloadOptions options;
    options.cacheFolder = cache + "/cache";
    DownloadResult r = download("file://" + source, options);
    ASSERT_TRUE(r.ok) << r.reason;
    EXPECT_EQ(readAll(r.path), "DICM bytes");
    struct stat st {};
    ASSERT_EQ(::stat(r.path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0111, 0u); // never executable

    const std::string body(5000, 'x');
    LoopbackServer server(
        "HTTP/1.1 200 OK\r\nContent-Length: 5000\r\nConnection: close\r\n\r\n" + body, false);
    r = download(server.url("/dir/IM1.dcm"), options);
    ASSERT_TRUE(r.ok) << r.reason;
    EXPECT_EQ(readAll(r.path), body);
    EXPECT_NE(r.path.find("IM1.dcm"), std::string::npos);

    // Larger than allowed: refused, nothing left in the cache but earlier files.
    options.maxBytes = 1000;
    r = download(server.url("/big.dcm"), options);
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.reason.find("larger"), std::string::npos) << r.reason;
    int files = 0;
    if (DIR* d = ::opendir(options.cacheFolder.c_str())) {
        while (dirent* e = ::readdir(d))
            files += e->d_name[0] != '.';
        ::closedir(d);
    }
    EXPECT_EQ(files, 2); // no partial file of the refused download

    LoopbackServer missing(
        "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n", false);
    options.maxBytes = kMaxDownloadBytes;
    EXPECT_FALSE(download(missing.url("/none.dcm"), options).ok);
}

TEST(Download, StallsAndSchemesAreRefused) {
    const std::string cache = freshFolder();
    DownloadOptions options;
    options.cacheFolder = cache;
    options.stallSeconds = 1;
    LoopbackServer stalling("HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\nabc", true);
    DownloadResult r = download(stalling.url("/slow.dcm"), options);
    EXPECT_FALSE(r.ok);
    // Cancelling from the progress callback ends the transfer at once.
    options.stallSeconds = 30;
    options.progress = [](uint64_t, uint64_t) { return false; };
    r = download(stalling.url("/slow2.dcm"), options);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.reason, "Cancelled");

    for (const char* address : {"gopher://127.0.0.1/x", "scp://h/x", "dict://h/x", "/etc/passwd"}) {
        r = download(address, options);
        EXPECT_FALSE(r.ok) << address;
    }
}
