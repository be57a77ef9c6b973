// quillet-logo never loses or damages a file: each case runs the real program on real files (and
// a real FAT file system where one can be mounted) and checks every file it could touch.
#include "../unit/bmp_builder.h"
#include "logo_program.h"
#include "logo_test_support.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <functional>
#include <map>
#include <optional>
#include <thread>

namespace quillet::logo {
namespace {

namespace fs = std::filesystem;
using test::Bytes;
using test::Files;
using test::LogoProcess;
using test::ProgramRun;
using test::ReadText;

const std::string kOldBmp = "old bmp";
const std::string kOldPng = "old png";
const std::string kTheirs = "a file of the user's";

void WriteFile(const fs::path& path, const std::string& text, mode_t mode) {
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, mode);
    ASSERT_GE(fd, 0) << path;
    ASSERT_EQ(write(fd, text.data(), text.size()), ssize_t(text.size()));
    close(fd);
    chmod(path.c_str(), mode); // FAT keeps no modes
}

mode_t ModeOf(const fs::path& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0 ? st.st_mode : 0;
}

// Runs `command`; true when it exits 0.
bool Shell(const std::string& command) {
    return std::system(command.c_str()) == 0;
}

// A noisy grey picture large enough that its conversion takes a while, made by ImageMagick in a
// process of its own: this test process stays small, and so do the programs it starts (a
// spawned program's peak memory counts from its parent's).
const fs::path& LargePicture() {
    static const quillet::test::TempDir dir;
    static const fs::path path = [] {
        const fs::path made = dir.Path() / "large.png";
        Shell("convert -size 3000x2400 xc: +noise Random -colorspace gray -depth 8 '" +
              made.string() + "'");
        return made;
    }();
    return path;
}

// The large picture at `to`, through a small buffer: no copy_file (FUSE's FAT cannot take its
// permission change), and no large block left in a sanitizer's quarantine.
void CopyLargePicture(const fs::path& to) {
    const int in = open(LargePicture().c_str(), O_RDONLY);
    const int out = open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    ASSERT_GE(in, 0);
    ASSERT_GE(out, 0) << to;
    char buffer[1 << 16];
    ssize_t got = 0;
    while ((got = read(in, buffer, sizeof buffer)) > 0) {
        ASSERT_EQ(write(out, buffer, size_t(got)), got);
    }
    close(in);
    close(out);
}

// A small FAT file system, mounted through FUSE (the kernel here may have no FAT of its own).
class FatMount {
public:
    explicit FatMount(const fs::path& image) : at_(image.string() + ".mnt") {
        fs::create_directory(at_);
        mounted_ =
            Shell("mkfs.vfat -C '" + image.string() + "' 16384 >/dev/null 2>&1") &&
            Shell("fusefat -o rw+ '" + image.string() + "' '" + at_.string() + "' >/dev/null 2>&1");
    }
    ~FatMount() {
        if (mounted_) {
            Shell("fusermount -u '" + at_.string() + "'");
        }
    }
    bool Mounted() const { return mounted_; }
    const fs::path& Path() const { return at_; }

private:
    fs::path at_;
    bool mounted_ = false;
};

struct Case {
    const char* name;
    bool fat;                      // in a FAT file system, which has no hard links
    bool large;                    // the large picture, for something to happen meanwhile
    std::vector<std::string> args; // after "in.png"
    // Before the run: the files that are there.
    std::function<void(const fs::path&)> before;
    // Once the program has read its input, while it converts.
    std::function<void(const fs::path&)> meanwhile;
    int status;
    const char* message;
    // After: what each name must hold ("" for the program's new file, nullptr for nothing).
    std::vector<std::pair<std::string, const char*>> after;
    // After: anything else to check.
    std::function<void(const fs::path&)> still = nullptr;
};

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

void OldPair(const fs::path& dir) {
    WriteFile(dir / "o.bmp", kOldBmp, 0600);
    WriteFile(dir / "p.png", kOldPng, 0640);
}

// The old BMP out of hard links (ext4 allows 65000), and a preview that cannot be replaced.
void LinkLimitAndLockedPreview(const fs::path& dir) {
    OldPair(dir);
    fs::create_directory(dir / "links");
    std::error_code error;
    for (int i = 0; !error; ++i) {
        fs::create_hard_link(dir / "o.bmp", dir / "links" / std::to_string(i), error);
    }
    ASSERT_TRUE(Shell("chattr +i '" + (dir / "p.png").string() + "'"));
}

void Appears(const fs::path& path) {
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    ASSERT_GE(fd, 0) << "the program had already written " << path;
    ASSERT_EQ(write(fd, kTheirs.data(), kTheirs.size()), ssize_t(kTheirs.size()));
    close(fd);
}

const std::string k255 = std::string(251, 'n') + ".bmp";
const std::string k255Png = std::string(251, 'p') + ".png";

const Case kCases[] = {
    {"bmp_alone_new", false, false, {"-o", "o.bmp"}, nullptr, nullptr, 0, "", {{"o.bmp", ""}}},
    {"both_replaced_with_force_keeping_modes",
     false,
     false,
     {"-o", "o.bmp", "--preview", "p.png", "--force"},
     OldPair,
     nullptr,
     0,
     "",
     {{"o.bmp", ""}, {"p.png", ""}}},
    {"both_there_without_force",
     false,
     false,
     {"-o", "o.bmp", "--preview", "p.png"},
     OldPair,
     nullptr,
     2,
     "'o.bmp' exists; --force replaces it",
     {{"o.bmp", "old bmp"}, {"p.png", "old png"}}},
    {"link_limit_and_a_preview_that_cannot_be_replaced",
     false,
     false,
     {"-o", "o.bmp", "--preview", "p.png", "--force"},
     LinkLimitAndLockedPreview,
     nullptr,
     1,
     "cannot write 'p.png': it cannot be replaced (Operation not permitted)",
     {{"o.bmp", "old bmp"}, {"p.png", "old png"}}},
    {"one_file_spelled_two_ways",
     false,
     false,
     {"-o", "o.bmp", "--preview", "./sub/../o.bmp"},
     [](const fs::path& dir) { fs::create_directory(dir / "sub"); },
     nullptr,
     2,
     "the preview and the output are the same file",
     {{"o.bmp", nullptr}}},
    {"bmp_appears_during_the_conversion",
     false,
     true,
     {"-o", "o.bmp"},
     nullptr,
     [](const fs::path& dir) { Appears(dir / "o.bmp"); },
     1,
     "cannot write 'o.bmp': a file of that name appeared meanwhile; it is kept",
     {{"o.bmp", "a file of the user's"}}},
    {"preview_appears_during_a_forced_conversion",
     false,
     true,
     {"-o", "o.bmp", "--preview", "p.png", "--force"},
     [](const fs::path& dir) { WriteFile(dir / "o.bmp", kOldBmp, 0600); },
     [](const fs::path& dir) { Appears(dir / "p.png"); },
     1,
     "cannot write 'p.png': a file of that name appeared meanwhile",
     {{"o.bmp", "old bmp"}, {"p.png", "a file of the user's"}}},
    {"fat_preview_appears_during_a_forced_conversion",
     true,
     true,
     {"-o", "o.bmp", "--preview", "p.png", "--force"},
     [](const fs::path& dir) { WriteFile(dir / "o.bmp", kOldBmp, 0600); },
     [](const fs::path& dir) { Appears(dir / "p.png"); },
     1,
     "cannot write 'p.png': a file of that name appeared meanwhile",
     {{"o.bmp", "old bmp"}, {"p.png", "a file of the user's"}}},
    // The BMP is replaced (its old file kept as a copy: FAT has no hard links), then the
    // preview's name turns out to be one FAT cannot hold: the old BMP comes back.
    {"fat_no_hard_links_and_a_preview_that_cannot_be_written",
     true,
     false,
     {"-o", "o.bmp", "--preview", "p?.png", "--force"},
     OldPair,
     nullptr,
     1,
     "cannot write 'p?.png': it cannot be replaced (Operation not permitted)",
     {{"o.bmp", "old bmp"}, {"p.png", "old png"}}},
    {"fat_both_replaced",
     true,
     false,
     {"-o", "o.bmp", "--preview", "p.png", "--force"},
     OldPair,
     nullptr,
     0,
     "",
     {{"o.bmp", ""}, {"p.png", ""}}},
    {"fat_bmp_appears_during_the_conversion",
     true,
     true,
     {"-o", "o.bmp"},
     nullptr,
     [](const fs::path& dir) { Appears(dir / "o.bmp"); },
     1,
     "a file of that name appeared meanwhile; it is kept",
     {{"o.bmp", "a file of the user's"}}},
    {"fifo",
     false,
     false,
     {"-o", "o.bmp", "--force"},
     [](const fs::path& dir) { ASSERT_EQ(mkfifo((dir / "o.bmp").c_str(), 0644), 0); },
     nullptr,
     2,
     "'o.bmp' is not a regular file",
     {},
     [](const fs::path& dir) { EXPECT_TRUE(fs::is_fifo(dir / "o.bmp")); }},
    {"device_node",
     false,
     false,
     {"-o", "o.bmp", "--preview", "null", "--force"},
     [](const fs::path& dir) {
         ASSERT_EQ(mknod((dir / "null").c_str(), S_IFCHR | 0666, makedev(1, 3)), 0);
     },
     nullptr,
     2,
     "'null' is not a regular file",
     {{"o.bmp", nullptr}},
     [](const fs::path& dir) { EXPECT_TRUE(fs::is_character_file(dir / "null")); }},
    {"link_to_a_device",
     false,
     false,
     {"-o", "o.bmp", "--force"},
     [](const fs::path& dir) { fs::create_symlink("/dev/null", dir / "o.bmp"); },
     nullptr,
     2,
     "'o.bmp' is not a regular file",
     {},
     [](const fs::path& dir) { EXPECT_EQ(fs::read_symlink(dir / "o.bmp"), "/dev/null"); }},
    {"names_of_255_bytes",
     false,
     false,
     {"-o", k255, "--preview", k255Png},
     nullptr,
     nullptr,
     0,
     "",
     {{k255, ""}, {k255Png, ""}}},
    {"control_characters_in_a_name",
     false,
     false,
     {"-o", "o.bmp\nquillet-logo: all is well"},
     [](const fs::path& dir) { WriteFile(dir / "o.bmp\nquillet-logo: all is well", "x", 0644); },
     nullptr,
     2,
     "'o.bmp\\x0Aquillet-logo: all is well' exists",
     {{"o.bmp\nquillet-logo: all is well", "x"}}},
};

class NoLostFiles : public testing::TestWithParam<Case> {};

TEST_P(NoLostFiles, EveryFileAsItWasOrTheNewOneWholeAndNoTemporaryFile) {
    const Case& c = GetParam();
    quillet::test::TempDir temp;
    std::optional<FatMount> fat;
    fs::path dir = temp.Path();
    if (c.fat) {
        fat.emplace(temp.Path() / "fat.img");
        if (!fat->Mounted()) {
            GTEST_SKIP() << "no FAT file system can be mounted here (mkfs.vfat and fusefat)";
        }
        dir = fat->Path();
    }
    if (c.large) {
        CopyLargePicture(dir / "in.png");
    } else {
        const Bytes small = test::PngFile(40, 20, 1, Bytes(800, 90));
        WriteFile(dir / "in.png", std::string(small.begin(), small.end()), 0644);
    }
    const auto inputSize = static_cast<long long>(fs::file_size(dir / "in.png"));
    if (c.before) {
        c.before(dir);
    }
    std::map<std::string, mode_t> modes;
    for (const auto& [name, holds] : c.after) {
        modes[name] = ModeOf(dir / name);
    }
    std::vector<std::string> args{"in.png"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    LogoProcess process(dir, args);
    if (c.meanwhile) {
        // Past its checks once it has read the whole picture; converting it takes a while.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        long long read = 0;
        while ((read = process.BytesRead()) >= 0 && read < inputSize &&
               std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        ASSERT_GE(read, inputSize) << "the program never read its input";
        c.meanwhile(dir);
    }
    const ProgramRun run = process.Wait();
    if (c.fat) {
        // The FUSE file system's own permissions and ownership are all alike.
        modes.clear();
    }
    Shell("chattr -i '" + (dir / "p.png").string() + "' 2>/dev/null");
    EXPECT_EQ(run.status, c.status) << run.err;
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    if (c.status == 0) {
        EXPECT_EQ(run.err, "");
    } else {
        EXPECT_EQ(run.out, "");
    }
    for (const auto& [name, holds] : c.after) {
        const fs::path path = dir / name;
        if (holds == nullptr) {
            EXPECT_FALSE(fs::exists(fs::symlink_status(path))) << name;
        } else if (*holds == '\0') {
            const std::string made = ReadText(path);
            EXPECT_TRUE(made.rfind("BM", 0) == 0 || made.rfind("\x89PNG", 0) == 0) << name;
        } else {
            const std::string text = ReadText(path);
            EXPECT_TRUE(text == holds) << name << " holds " << text.size() << " bytes, starting '"
                                       << text.substr(0, 16) << "'";
        }
        if (modes.count(name) && modes[name] != 0) {
            EXPECT_EQ(ModeOf(path) & 07777, modes[name] & 07777) << name;
        }
    }
    for (const std::string& name : Files(dir)) {
        EXPECT_EQ(name.rfind(".ql-", 0), std::string::npos) << "left behind: " << name;
    }
    if (c.still) {
        c.still(dir);
    }
}

INSTANTIATE_TEST_SUITE_P(Outputs, NoLostFiles, testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

bool HoldsTemporary(const fs::path& dir) {
    std::error_code error;
    for (fs::directory_iterator it(dir, error), end; !error && it != end; it.increment(error)) {
        if (it->path().filename().string().rfind(".ql-", 0) == 0) {
            return true;
        }
    }
    return false;
}

// The same, for a tight loop: one open folder read again, nothing allocated.
class TemporaryWatch {
public:
    explicit TemporaryWatch(const fs::path& dir) : dir_(opendir(dir.c_str())) {}
    ~TemporaryWatch() {
        if (dir_) {
            closedir(dir_);
        }
    }
    bool Seen() {
        if (!dir_) {
            return false;
        }
        rewinddir(dir_);
        while (const dirent* entry = readdir(dir_)) {
            if (std::strncmp(entry->d_name, ".ql-", 4) == 0) {
                return true;
            }
        }
        return false;
    }

private:
    DIR* dir_;
};

// SIGINT or SIGTERM at different moments of a large conversion that replaces an old BMP and
// preview: the program ends by the signal or finishes, and the pair is the old one or the new
// one, never one of each, with no temporary file left.
TEST(Interrupts, LeaveTheOldPairOrTheNewOneAndNoTemporaryFile) {
    const auto inputSize = static_cast<long long>(fs::file_size(LargePicture()));
    quillet::test::TempDir reference;
    CopyLargePicture(reference.Path() / "in.png");
    const auto start = std::chrono::steady_clock::now();
    const ProgramRun made =
        test::RunLogo(reference.Path(), {"in.png", "-o", "o.bmp", "--preview", "p.png"});
    const auto took = std::chrono::steady_clock::now() - start;
    ASSERT_EQ(made.status, 0) << made.err;
    const std::string newBmp = ReadText(reference.Path() / "o.bmp");
    const std::string newPng = ReadText(reference.Path() / "p.png");

    enum class Moment { Started, InputRead, TemporaryFile, Later };
    struct Case {
        Moment moment;
        double share; // of the whole run, for Later
    };
    const Case moments[] = {{Moment::Started, 0},
                            {Moment::InputRead, 0},
                            {Moment::TemporaryFile, 0},
                            {Moment::Later, 0.6},
                            {Moment::Later, 0.95}};
    int caughtTemporary = 0;
    for (const int signal : {SIGINT, SIGTERM}) {
        for (const Case& c : moments) {
            SCOPED_TRACE("signal " + std::to_string(signal) + ", moment " +
                         std::to_string(int(c.moment)) + " " + std::to_string(c.share));
            quillet::test::TempDir temp;
            const fs::path dir = temp.Path();
            CopyLargePicture(dir / "in.png");
            OldPair(dir);
            LogoProcess process(dir, {"in.png", "-o", "o.bmp", "--preview", "p.png", "--force"});
            TemporaryWatch watch(dir);
            const auto begun = std::chrono::steady_clock::now();
            const auto deadline = begun + std::chrono::seconds(60);
            while (process.BytesRead() >= 0 && std::chrono::steady_clock::now() < deadline) {
                const bool now =
                    c.moment == Moment::Started ||
                    (c.moment == Moment::InputRead && process.BytesRead() >= inputSize) ||
                    (c.moment == Moment::TemporaryFile && watch.Seen()) ||
                    (c.moment == Moment::Later &&
                     std::chrono::steady_clock::now() - begun >= took * c.share);
                if (now) {
                    caughtTemporary += c.moment == Moment::TemporaryFile;
                    break;
                }
            }
            kill(process.Pid(), signal);
            const ProgramRun run = process.Wait();
            EXPECT_TRUE(run.signal == signal || run.status == 0)
                << "status " << run.status << ", signal " << run.signal << ": " << run.err;
            const std::string bmp = ReadText(dir / "o.bmp"), png = ReadText(dir / "p.png");
            const bool old = bmp == kOldBmp && png == kOldPng;
            const bool made = bmp == newBmp && png == newPng;
            EXPECT_TRUE(old || made)
                << "a BMP of " << bmp.size() << " bytes beside a preview of " << png.size();
            EXPECT_TRUE(made || run.status != 0) << "exit 0, and the old files are there";
            EXPECT_EQ(ModeOf(dir / "o.bmp") & 07777, 0600u);
            EXPECT_FALSE(HoldsTemporary(dir)) << "a temporary file is left behind";
        }
    }
    // Only a report: under load the temporary files may come and go between two looks.
    std::printf("caught %d of 2 runs while a temporary file was there\n", caughtTemporary);
}

} // namespace
} // namespace quillet::logo
