// write_file_atomically: the target is either the old file or the complete new one.
#include <gtest/gtest.h>

#include <csignal>
#include <functional>

#ifdef __unix__
#include <sys/resource.h>
#endif

#include "writer_test_tracks.hpp"
#include "writers/exclusive_file.hpp"

namespace trakvia::engine {
namespace {

namespace fs = std::filesystem;
using test::read_file;
using test::TempFolder;
using test::write_file;

std::vector<std::string> names_in(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(AtomicWrite, CreatesTheFile) {
    TempFolder dir("atomic");
    const fs::path target = dir.path() / "Uçuş kaydı 1.gpx";  // Turkish letters and a space
    write_file_atomically(target, [](std::ostream& out) { out << "yeni"; });
    EXPECT_EQ(read_file(target), "yeni");
    EXPECT_EQ(names_in(dir.path()), std::vector<std::string>{"Uçuş kaydı 1.gpx"});
}

TEST(AtomicWrite, ReplacesAnExistingFile) {
    TempFolder dir("atomic");
    const fs::path target = dir.path() / "DJI_0001.kml";
    write_file(target, std::string(100000, 'x'));
    write_file_atomically(target, [](std::ostream& out) { out << "kısa"; });
    EXPECT_EQ(read_file(target), "kısa");
    EXPECT_EQ(names_in(dir.path()), std::vector<std::string>{"DJI_0001.kml"});
}

TEST(AtomicWrite, WritesLargeOutputCompletely) {
    TempFolder dir("atomic");
    const fs::path target = dir.path() / "big.nmea";
    const std::string chunk(1 << 20, 'n');
    write_file_atomically(target, [&](std::ostream& out) {
        for (int i = 0; i < 8; ++i) out << chunk;
    });
    EXPECT_EQ(fs::file_size(target), 8u << 20);
}

struct FailureCase {
    const char* name;
    std::function<void(std::ostream&)> fill;
    bool filesystem_error;  // false: the fill's own exception comes through unchanged
};

class AtomicFailureTest : public ::testing::TestWithParam<FailureCase> {};

TEST_P(AtomicFailureTest, OldTargetStaysAndNoTemporaryRemains) {
    TempFolder dir("atomic");
    const fs::path target = dir.path() / "DJI_0001.gpx";
    write_file(target, "eski içerik");
    const auto& c = GetParam();
    if (c.filesystem_error) {
        EXPECT_THROW(write_file_atomically(target, c.fill), fs::filesystem_error);
    } else {
        EXPECT_THROW(write_file_atomically(target, c.fill), std::runtime_error);
    }
    EXPECT_EQ(read_file(target), "eski içerik");
    EXPECT_EQ(names_in(dir.path()), std::vector<std::string>{"DJI_0001.gpx"});
}

INSTANTIATE_TEST_SUITE_P(Failures, AtomicFailureTest, ::testing::Values(
    FailureCase{"fill_throws",
                [](std::ostream& out) {
                    out << std::string(300000, 'y');
                    throw std::runtime_error("okuma hatası");
                },
                false},
    // A stream the writer left failed (what a full disk does) must not be renamed into place.
    FailureCase{"stream_failed",
                [](std::ostream& out) {
                    out << "yarım";
                    out.setstate(std::ios::badbit);
                },
                true}),
    [](const auto& info) { return std::string(info.param.name); });

// The temporary file is created only where nothing has the name: not over a file, and not
// through a link planted under it (whose target must stay untouched).
TEST(AtomicWrite, TemporaryFilesAreNeverOpenedOverExistingNames) {
    TempFolder dir("atomic");
    const fs::path taken = dir.path() / ".DJI_0001.gpx.0123456789abcdef.tmp";
    write_file(taken, "başkasının");
    std::vector<fs::path> names{taken};
#ifdef __unix__
    const fs::path victim = dir.path() / "kurban.txt";
    write_file(victim, "dokunma");
    fs::create_symlink(victim, dir.path() / "link.tmp");
    fs::create_symlink(dir.path() / "yok.txt", dir.path() / "dangling.tmp");
    names.push_back(dir.path() / "link.tmp");
    names.push_back(dir.path() / "dangling.tmp");
#endif
    for (const fs::path& name : names) {
        errno = 0;
        EXPECT_EQ(writers::create_exclusive(name), nullptr) << name;
        EXPECT_EQ(errno, EEXIST) << name;
    }
    EXPECT_EQ(read_file(taken), "başkasının");
#ifdef __unix__
    EXPECT_EQ(read_file(dir.path() / "kurban.txt"), "dokunma");
    EXPECT_FALSE(fs::exists(dir.path() / "yok.txt"));
#endif
}

TEST(AtomicWrite, MissingFolderThrowsAndCreatesNothing) {
    TempFolder dir("atomic");
    const fs::path target = dir.path() / "yok" / "DJI_0001.gpx";
    bool filled = false;
    EXPECT_THROW(write_file_atomically(target, [&](std::ostream&) { filled = true; }), fs::filesystem_error);
    EXPECT_FALSE(filled);
    EXPECT_TRUE(names_in(dir.path()).empty());
}

TEST(AtomicWrite, TargetThatIsAFolderThrowsAndRemovesTheTemporary) {
    TempFolder dir("atomic");
    const fs::path target = dir.path() / "DJI_0001.gpx";
    fs::create_directory(target);
    write_file(target / "içinde.txt", "dokunma");
    EXPECT_THROW(write_file_atomically(target, [](std::ostream& out) { out << "x"; }), fs::filesystem_error);
    EXPECT_EQ(names_in(dir.path()), std::vector<std::string>{"DJI_0001.gpx"});
    EXPECT_EQ(read_file(target / "içinde.txt"), "dokunma");
}

#ifdef __unix__
// A real failed write: a file-size limit makes write() fail with EFBIG part-way through, the
// way a full disk fails with ENOSPC.
TEST(AtomicWrite, FailedWriteOnDiskIsReported) {
    TempFolder dir("atomic");
    const fs::path target = dir.path() / "DJI_0001.csv";
    write_file(target, "eski");
    rlimit old_limit{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old_limit), 0);
    rlimit small = old_limit;
    small.rlim_cur = 1 << 20;
    const auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    bool threw = false;
    try {
        write_file_atomically(target, [](std::ostream& out) {
            const std::string chunk(1 << 16, 'z');
            for (int i = 0; i < 64; ++i) out << chunk;
        });
    } catch (const fs::filesystem_error& e) {
        threw = true;
        EXPECT_EQ(e.code(), std::errc::file_too_large) << e.what();
    }
    setrlimit(RLIMIT_FSIZE, &old_limit);
    std::signal(SIGXFSZ, old_handler);
    EXPECT_TRUE(threw);
    EXPECT_EQ(read_file(target), "eski");
    EXPECT_EQ(names_in(dir.path()), std::vector<std::string>{"DJI_0001.csv"});
}
#endif

}  // namespace
}  // namespace trakvia::engine
