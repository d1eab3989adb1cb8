// Trace texts reach a listening viewer as 4-byte datagrams; without a viewer nothing
// happens at all.
#include "engine/Trace.h"
#include <vorex/vorex.h>

#include <filesystem>
#include <gtest/gtest.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

class TraceFolder : public testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("vorex-trace-" + std::to_string(getpid()));
        fs::create_directories(dir_);
        const char* old = std::getenv("XDG_RUNTIME_DIR");
        saved_ = old ? old : "";
        setenv("XDG_RUNTIME_DIR", dir_.c_str(), 1);
    }
    void TearDown() override {
        if (reader_.joinable())
            reader_.join();
        if (viewer_ >= 0)
            close(viewer_);
        fs::remove_all(dir_);
        if (saved_.empty())
            unsetenv("XDG_RUNTIME_DIR");
        else
            setenv("XDG_RUNTIME_DIR", saved_.c_str(), 1);
    }
    // Binds the viewer's socket without reading from it.
    void BindViewer() {
        viewer_ = socket(AF_UNIX, SOCK_DGRAM, 0);
        sockaddr_un a{};
        a.sun_family = AF_UNIX;
        const std::string path = (dir_ / "NvkTracer").string();
        std::copy(path.begin(), path.end(), a.sun_path);
        ASSERT_EQ(bind(viewer_, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    }
    void StartViewer() {
        BindViewer();
        // The viewer reads while the engine sends, as a real one does.
        reader_ = std::thread([this] {
            for (;;) {
                pollfd p{viewer_, POLLIN, 0};
                if (poll(&p, 1, 300) <= 0)
                    return;
                char b[16];
                const ssize_t n = recv(viewer_, b, sizeof b, 0);
                pieces_.emplace_back(b, static_cast<size_t>(n));
            }
        });
    }
    std::vector<std::string> Pieces() {
        reader_.join();
        return pieces_;
    }
    std::thread reader_;
    std::vector<std::string> pieces_;
    fs::path dir_;
    std::string saved_;
    int viewer_ = -1;
};

} // namespace

TEST_F(TraceFolder, CloseTextForHandle3IsFivePieces) {
    StartViewer();
    VOREX_ClosePort(3);
    EXPECT_EQ(Pieces(), (std::vector<std::string>{"VORE", "X_Cl", "oseP", "ort(", "3)\r\n"}));
}

TEST_F(TraceFolder, ShortLastPieceIsPaddedWithNul) {
    StartViewer();
    vorex::SendTrace("abcdef");
    EXPECT_EQ(Pieces(), (std::vector<std::string>{"abcd", std::string("ef\0\0", 4)}));
}

TEST_F(TraceFolder, OpenTraceCarriesCallAndResult) {
    StartViewer();
    VOREX_OpenPort("/dev/does-not-exist", 11501, 250);
    std::string text;
    for (const auto& p : Pieces())
        for (char c : p)
            if (c != '\0') // each text's last piece is padded
                text += c;
    EXPECT_EQ(text, "VOREX_OpenPort(/dev/does-not-exist,11501,250) = -1\r\n");
}

TEST_F(TraceFolder, WithoutViewerNothingIsCreated) {
    VOREX_ClosePort(3);
    EXPECT_FALSE(fs::exists(dir_ / "NvkTracerLock"));
    EXPECT_TRUE(fs::is_empty(dir_));
}

TEST_F(TraceFolder, ViewerThatStopsReadingDoesNotHangTheEngine) {
    // Bound but never read: the queue fills up and the rest of the text is dropped.
    BindViewer();
    vorex::SendTrace(std::string(400, 'x'));
    SUCCEED();
}
