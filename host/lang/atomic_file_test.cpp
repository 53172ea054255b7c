// The atomic writer: what it does with each kind of target, and that every failure leaves the
// old files and no temporary behind (failures injected through the writer's system-call seam).

#include "host/lang/atomic_file.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

using namespace tarn::lang;
namespace fs = std::filesystem;

namespace {

class AtomicWrite : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = ::testing::TempDir() + "atomic_file_cases";
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
    }
    void TearDown() override {
        resetAtomicFileCalls();
        fs::remove_all(m_dir);
    }
    std::string path(const std::string& name) const { return m_dir + "/" + name; }
    static std::string read(const std::string& p) {
        std::ifstream in(p, std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }
    std::vector<std::string> listing() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(m_dir)) names.push_back(e.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    }

    std::string m_dir;
};

// Injected failures: the n-th call of a kind fails with an errno.
int gCallsLeft = 0;
int gErrno = 0;

ssize_t failingWrite(int fd, const void* data, std::size_t size) {
    if (--gCallsLeft < 0) {
        errno = gErrno;
        return -1;
    }
    // Short writes: the writer must go on with the rest.
    return ::write(fd, data, std::min<std::size_t>(size, 3));
}
int failingFsync(int) {
    errno = gErrno;
    return -1;
}
int failingClose(int fd) {
    ::close(fd);
    errno = gErrno;
    return -1;
}
int failingRename(const char* from, const char* to) {
    if (--gCallsLeft < 0) {
        errno = gErrno;
        return -1;
    }
    return ::rename(from, to);
}

}  // namespace

TEST_F(AtomicWrite, ReplacesRegularFilesKeepingTheirPermissions) {
    const std::string p = path("prefs");
    std::string error;
    ASSERT_TRUE(writeFileAtomically(p, "old", &error)) << error;
    ASSERT_EQ(::chmod(p.c_str(), 0600), 0);
    ASSERT_TRUE(writeFileAtomically(p, "new", &error)) << error;
    EXPECT_EQ(read(p), "new");
    struct stat st {};
    ASSERT_EQ(::stat(p.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    EXPECT_EQ(listing(), std::vector<std::string>{"prefs"});
}

TEST_F(AtomicWrite, SymbolicLinksWriteWhatTheyPointTo) {
    const std::string target = path("real.txt");
    ASSERT_TRUE(writeFileAtomically(target, "old"));
    fs::create_symlink("real.txt", path("link.txt"));
    fs::create_symlink("later.txt", path("dangling.txt"));
    std::string error;
    ASSERT_TRUE(writeFileAtomically(path("link.txt"), "through the link", &error)) << error;
    ASSERT_TRUE(writeFileAtomically(path("dangling.txt"), "created", &error)) << error;
    EXPECT_TRUE(fs::is_symlink(path("link.txt")));
    EXPECT_TRUE(fs::is_symlink(path("dangling.txt")));
    EXPECT_EQ(read(target), "through the link");
    EXPECT_EQ(read(path("later.txt")), "created");
    EXPECT_EQ(listing(),
              (std::vector<std::string>{"dangling.txt", "later.txt", "link.txt", "real.txt"}));
}

TEST_F(AtomicWrite, SpecialFilesAreWrittenInPlaceOrRefused) {
    ASSERT_EQ(::mkfifo(path("fifo").c_str(), 0644), 0);
    fs::create_directories(path("folder"));
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(sock, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    const std::string sockPath = path("sock");
    ASSERT_LT(sockPath.size(), sizeof addr.sun_path);
    std::strcpy(addr.sun_path, sockPath.c_str());
    ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);

    const struct {
        std::string path;
        bool ok;
        const char* reason;
    } cases[] = {
        {"/dev/null", true, ""},
        {"/dev/full", false, "No space left on device"},
        {path("fifo"), false, "no process is reading the FIFO"},
        {path("folder"), false, "it is a folder"},
        {sockPath, false, "it is a socket, not a regular file"},
    };
    for (const auto& c : cases) {
        struct stat before {};
        ASSERT_EQ(::stat(c.path.c_str(), &before), 0) << c.path;
        std::string error;
        EXPECT_EQ(writeFileAtomically(c.path, "bytes", &error), c.ok) << c.path;
        if (!c.ok) {
            EXPECT_NE(error.find(c.reason), std::string::npos) << c.path << ": " << error;
        }
        // Never replaced: the same node of the same kind is still there.
        struct stat after {};
        ASSERT_EQ(::stat(c.path.c_str(), &after), 0) << c.path;
        EXPECT_EQ(after.st_ino, before.st_ino) << c.path;
        EXPECT_EQ(after.st_mode & S_IFMT, before.st_mode & S_IFMT) << c.path;
    }
    ::close(sock);
    EXPECT_EQ(listing(), (std::vector<std::string>{"fifo", "folder", "sock"}));

    // A FIFO with a reader takes the bytes.
    const int reader = ::open(path("fifo").c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    std::string error;
    EXPECT_TRUE(writeFileAtomically(path("fifo"), "through the pipe", &error)) << error;
    char buf[64] = {};
    EXPECT_EQ(::read(reader, buf, sizeof buf), 16);
    EXPECT_STREQ(buf, "through the pipe");
    ::close(reader);
}

TEST_F(AtomicWrite, FailuresKeepTheOldFileAndLeaveNoTemporary) {
    const struct {
        const char* what;
        void (*inject)();
        const char* reason;
    } cases[] = {
        {"disk full on the third write",
         [] {
             gCallsLeft = 2, gErrno = ENOSPC;
             atomicFileCalls().write = failingWrite;
         },
         "No space left on device"},
        {"fsync fails",
         [] {
             gErrno = EIO;
             atomicFileCalls().fsync = failingFsync;
         },
         "Input/output error"},
        {"close fails",
         [] {
             gErrno = EDQUOT;
             atomicFileCalls().close = failingClose;
         },
         "quota"},
        {"rename fails",
         [] {
             gCallsLeft = 0, gErrno = EACCES;
             atomicFileCalls().rename = failingRename;
         },
         "cannot replace it: Permission denied"},
    };
    const std::string p = path("scene.obj");
    for (const auto& c : cases) {
        resetAtomicFileCalls();
        ASSERT_TRUE(writeFileAtomically(p, "old content"));
        c.inject();
        std::string error;
        EXPECT_FALSE(writeFileAtomically(p, "new content that is longer", &error)) << c.what;
        EXPECT_NE(error.find(c.reason), std::string::npos) << c.what << ": " << error;
        EXPECT_NE(error.find(p), std::string::npos) << c.what << ": " << error;
        resetAtomicFileCalls();
        EXPECT_EQ(read(p), "old content") << c.what;
        EXPECT_EQ(listing(), std::vector<std::string>{"scene.obj"}) << c.what;
    }
}

TEST_F(AtomicWrite, CommitsOfTwoFilesReplaceBothOrNeither) {
    const std::string obj = path("a.obj"), mtl = path("a.mtl");
    std::string error;
    ASSERT_TRUE(writeFilesAtomically({{obj, "obj 1"}, {mtl, "mtl 1"}}, {}, &error)) << error;
    EXPECT_EQ(read(obj), "obj 1");
    EXPECT_EQ(read(mtl), "mtl 1");

    // The second temporary fails (the first takes two short writes): nothing changes.
    gCallsLeft = 2, gErrno = ENOSPC;
    atomicFileCalls().write = failingWrite;
    EXPECT_FALSE(writeFilesAtomically({{obj, "obj 2"}, {mtl, "mtl 2 is long"}}, {}, &error));
    resetAtomicFileCalls();
    EXPECT_EQ(read(obj), "obj 1");
    EXPECT_EQ(read(mtl), "mtl 1");
    EXPECT_EQ(listing(), (std::vector<std::string>{"a.mtl", "a.obj"}));

    // The second rename fails after the first went through: the first gets its old content back.
    gCallsLeft = 1, gErrno = EIO;
    atomicFileCalls().rename = failingRename;
    EXPECT_FALSE(writeFilesAtomically({{obj, "obj 3"}, {mtl, "mtl 3"}}, {}, &error));
    EXPECT_NE(error.find(mtl), std::string::npos) << error;
    resetAtomicFileCalls();
    EXPECT_EQ(read(obj), "obj 1");
    EXPECT_EQ(read(mtl), "mtl 1");
    EXPECT_EQ(listing(), (std::vector<std::string>{"a.mtl", "a.obj"}));

    // The same with new files: neither is left.
    gCallsLeft = 1, gErrno = EIO;
    atomicFileCalls().rename = failingRename;
    EXPECT_FALSE(writeFilesAtomically({{path("b.obj"), "o"}, {path("b.mtl"), "m"}}, {}, &error));
    resetAtomicFileCalls();
    EXPECT_EQ(listing(), (std::vector<std::string>{"a.mtl", "a.obj"}));
}

TEST_F(AtomicWrite, OneFileNamedTwiceIsRefused) {
    ASSERT_TRUE(writeFileAtomically(path("x.mtl"), "kept"));
    fs::create_symlink("x.mtl", path("alias.mtl"));
    const struct {
        std::string second;
    } cases[] = {{path("x.mtl")}, {m_dir + "/./x.mtl"}, {path("alias.mtl")}};
    for (const auto& c : cases) {
        std::string error;
        EXPECT_FALSE(writeFilesAtomically({{path("x.mtl"), "one"}, {c.second, "two"}}, {}, &error))
            << c.second;
        EXPECT_NE(error.find("same file"), std::string::npos) << error;
        EXPECT_EQ(read(path("x.mtl")), "kept");
    }
    EXPECT_EQ(listing(), (std::vector<std::string>{"alias.mtl", "x.mtl"}));
}

TEST_F(AtomicWrite, OutputStreamsOpenWhatCanBeWritten) {
    ASSERT_TRUE(writeFileAtomically(path("journal"), "earlier run"));
    ASSERT_EQ(::mkfifo(path("fifo").c_str(), 0644), 0);
    const struct {
        std::string path;
        const char* reason;  // nullptr: opens
    } cases[] = {
        {path("journal"), nullptr},
        {path("new/sub/journal"), nullptr},
        {"/dev/null", nullptr},
        {m_dir, "it is a folder"},
        {path("fifo"), "no process is reading the FIFO"},
        {path("journal") + "/below", "Not a directory"},
    };
    for (const auto& c : cases) {
        std::string error;
        const int fd = openOutputStream(c.path, {}, &error);
        if (!c.reason) {
            ASSERT_GE(fd, 0) << c.path << ": " << error;
            EXPECT_TRUE(writeAll(fd, "line\n"));
            ::close(fd);
        } else {
            EXPECT_LT(fd, 0) << c.path;
            EXPECT_NE(error.find(c.reason), std::string::npos) << c.path << ": " << error;
        }
    }
    EXPECT_EQ(read(path("journal")), "line\n");  // emptied first
    EXPECT_EQ(read(path("new/sub/journal")), "line\n");
}
