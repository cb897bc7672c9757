// kelvclip-cli against careless and hostile input: outputs that would destroy
// inputs or devices, FIFOs, absurd album lengths, pictures and sounds that
// cannot be decoded, templates that name host files, and signals that arrive
// while a template's files are extracted.
#include "media/AnyPicDecoder.h"
#include "media/Bmp.h"
#include "project/Album.h"
#include "project/AlbumGrp.h"
#include "project/Image.h"
#include "project/MainDoc.h"
#include "project/ProjectWriter.h"
#include "project/Slide.h"
#include "project/TemplateWriter.h"
#include "project/ZipWriter.h"
#include "tests/support/MediaMaker.h"
#include "tests/support/RunCommand.h"
#include "tests/support/SoundWriter.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <dirent.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <set>
#include <sstream>
#include <string>
#include <thread>

namespace fs = std::filesystem;

namespace {

// Runs kelvclip-cli through the shell (stdout and stderr together unless the
// arguments redirect them); a hang ends after 60 s with status 124.
int RunCli(const std::string& args, std::string* output = nullptr, const std::string& env = "") {
    return RunCommand(env + " timeout 60 " + KV_CLI + " " + args + " 2>&1", output);
}

bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// A picture of noise in blue and green (so it does not compress) with the
// given red.
std::string Png(int width, int height, std::uint8_t red) {
    return PngBytes(STestImage(width, height,
                               [red](int x, int y) {
                                   unsigned h = unsigned(x) * 73856093u ^ unsigned(y) * 19349663u;
                                   h = h * 2654435761u;
                                   return std::array<std::uint8_t, 4>{
                                       std::uint8_t(h >> 24), std::uint8_t(h >> 16), red, 255};
                               }),
                    false);
}

// A template written by the album writer from files in a folder: one slide
// per picture (display time seconds), and a sound on the first slide.
std::string WriteTemplate(const CTempDir& dir, const std::vector<std::string>& pictures,
                          const std::string& sound = {}, double seconds = 2,
                          const std::string& name = "t.vez") {
    CMainDoc doc;
    CAlbum* album = doc.GetProject().AddGroup(std::make_unique<CAlbumGrp>())->AddAlbum(
        std::make_unique<CAlbum>());
    for (const std::string& picture : pictures) {
        CSlide slide;
        slide.AddItem(CImage(picture));
        slide.m_displayTime = seconds;
        slide.m_transitionLength = 0.5;
        CSlide* added = album->AddSlide(slide);
        // A picture's sound plays with its slide.
        if (!sound.empty() && album->GetSlideCount() == 1)
            added->GetItem(0)->m_sound.SetFile(sound);
    }
    album->m_transitionLength = 0.5;
    std::string path = dir / name, error;
    EXPECT_TRUE(CTemplateWriter::Write(doc, path, error)) << error;
    return path;
}

// A package holding a project stream as given and entries of its own.
std::string WriteRawTemplate(const CTempDir& dir, CMainDoc& doc,
                             const std::vector<std::pair<std::string, std::string>>& entries) {
    std::string path = dir / "raw.vez";
    CZipWriter zip;
    EXPECT_TRUE(zip.Create(path));
    // As it stands: package form would rename every file into the package.
    EXPECT_TRUE(zip.Add("project.kvs", CProjectWriter::Write(doc, false)));
    for (const auto& [name, data] : entries)
        EXPECT_TRUE(zip.Add(name, data));
    EXPECT_TRUE(zip.Close());
    return path;
}

std::string AlbumJson(const std::string& file, const std::string& displayTime = "2") {
    return R"({"format": "kelvclip-album", "version": 1, "name": "A", "slides": [
        {"displayTime": )" +
           displayTime + R"(, "items": [{"kind": "image", "file": ")" + file + R"("}]}]})";
}

// RunCli's command (stdout and stderr into output), with the most memory a
// process of it held at once: its peak resident set in kB.
int RunCliPeak(const std::string& args, std::string& output, long& peakKb) {
    CTempDir dir;
    const std::string log = dir / "log.txt";
    const std::string command = "timeout 60 " + std::string(KV_CLI) + " " + args + " >" + log +
                                " 2>&1";
    pid_t pid = fork();
    if (pid == 0) {
        execl("/bin/sh", "sh", "-c", command.c_str(), nullptr);
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (pid < 0 || wait4(pid, &status, 0, &usage) != pid)
        return -1;
    // The shell's usage includes what it waited for: the command's own.
    peakKb = usage.ru_maxrss;
    output = ReadWholeFile(log);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int CountKelvclipFolders(const std::string& folder) {
    int count = 0;
    for (const auto& entry : fs::directory_iterator(folder))
        count += entry.path().filename().string().rfind("kelvclip-", 0) == 0;
    return count;
}

} // namespace

TEST(HostileInput, OutputsNeverDestroyInputsOrDevices) {
    CTempDir dir;
    // Big enough that the size limit below cuts the package.
    std::string picture = dir.WriteFile("a.png", Png(256, 256, 40));
    std::string album = dir.WriteFile("album.json", AlbumJson("a.png"));
    std::string text;

    // An output that is one of the inputs.
    EXPECT_EQ(RunCli("pack " + album + " -o " + picture, &text), 2) << text;
    EXPECT_TRUE(Has(text, "is one of the inputs")) << text;
    EXPECT_EQ(ReadWholeFile(picture), Png(256, 256, 40));
    EXPECT_EQ(RunCli("pack " + album + " -o " + album, &text), 2) << text;

    // A FIFO (or any special file) is refused and left where it is.
    std::string fifo = dir / "out.fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(RunCli("pack " + album + " -o " + fifo, &text), 2) << text;
    EXPECT_TRUE(Has(text, "is not a regular file")) << text;
    struct stat info {};
    EXPECT_EQ(lstat(fifo.c_str(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode));

    // A write that fails (here the file size limit stands for a full disk)
    // leaves what was at the path untouched and nothing beside it.
    std::string old = dir.WriteFile("t.vez", "OLD");
    int status = std::system(("sh -c \"trap '' XFSZ; ulimit -f 16; exec " + std::string(KV_CLI) +
                              " pack " + album + " -o " + old + "\" 2>" + (dir / "err.txt"))
                                 .c_str());
    EXPECT_EQ(WEXITSTATUS(status), 2);
    EXPECT_TRUE(Has(ReadWholeFile(dir / "err.txt"), "File too large"))
        << ReadWholeFile(dir / "err.txt");
    EXPECT_EQ(ReadWholeFile(old), "OLD");
    for (const auto& entry : fs::directory_iterator(dir.Path()))
        EXPECT_FALSE(Has(entry.path().string(), ".part-")) << entry.path();

    // render and dump over their own template.
    ASSERT_EQ(RunCli("pack " + album + " -o " + (dir / "ok.vez"), &text), 0) << text;
    std::string before = ReadWholeFile(dir / "ok.vez");
    EXPECT_EQ(RunCli("render " + (dir / "ok.vez") + " -o " + (dir / "ok.vez"), &text), 2) << text;
    EXPECT_EQ(ReadWholeFile(dir / "ok.vez"), before);
    EXPECT_EQ(RunCli("frame " + (dir / "ok.vez") + " --at 0 -o " + (dir / "ok.vez"), &text), 2);
    EXPECT_EQ(ReadWholeFile(dir / "ok.vez"), before);

    // dump never writes through a link planted where its files go, and
    // replaces a file only when asked.
    fs::create_directories(dir / "out/album-media");
    std::string target = dir.WriteFile("target.txt", "keep");
    fs::create_symlink(target, dir / "out/album-media/a.png");
    EXPECT_EQ(RunCli("dump " + (dir / "ok.vez") + " -o " + (dir / "out/album.json") + " --force",
                     &text),
              2);
    EXPECT_TRUE(Has(text, "symbolic link")) << text;
    EXPECT_EQ(ReadWholeFile(target), "keep");
    fs::remove(dir / "out/album-media/a.png");
    dir.WriteFile("out/album.json", "old");
    EXPECT_EQ(RunCli("dump " + (dir / "ok.vez") + " -o " + (dir / "out/album.json"), &text), 2)
        << text;
    EXPECT_TRUE(Has(text, "already exists; give --force to replace it")) << text;
    EXPECT_EQ(ReadWholeFile(dir / "out/album.json"), "old");
    EXPECT_EQ(RunCli("dump " + (dir / "ok.vez") + " -o " + (dir / "out/album.json") + " --force",
                     &text),
              0)
        << text;
    EXPECT_NE(ReadWholeFile(dir / "out/album.json"), "old");
}

TEST(HostileInput, FifosFoldersAndMissingFilesAreNamedNotWaitedFor) {
    CTempDir dir;
    std::string fifo = dir / "pipe";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::string text;
    EXPECT_EQ(RunCli("info " + fifo, &text), 2) << text;
    EXPECT_TRUE(Has(text, fifo + ": is not a regular file")) << text;
    EXPECT_EQ(RunCli("info " + (dir / "none.vez"), &text), 2) << text;
    EXPECT_TRUE(Has(text, "none.vez: does not exist")) << text;

    EXPECT_EQ(RunCli("pack " + fifo + " -o " + (dir / "t.vez"), &text), 2) << text;
    EXPECT_TRUE(Has(text, "is not a regular file")) << text;
    std::string album = dir.WriteFile("album.json", AlbumJson("pipe"));
    EXPECT_EQ(RunCli("pack " + album + " -o " + (dir / "t.vez"), &text), 2) << text;
    EXPECT_TRUE(Has(text, "pipe is not a regular file")) << text;
    fs::create_directories(dir / "folder.png");
    dir.WriteFile("album.json", AlbumJson("folder.png"));
    EXPECT_EQ(RunCli("pack " + album + " -o " + (dir / "t.vez"), &text), 2) << text;
    EXPECT_TRUE(Has(text, "folder.png is a directory")) << text;
    // Media that cannot be decoded does not go into a template.
    dir.WriteFile("text.jpg", "this is text, not a picture");
    dir.WriteFile("album.json", AlbumJson("text.jpg"));
    EXPECT_EQ(RunCli("pack " + album + " -o " + (dir / "t.vez"), &text), 2) << text;
    EXPECT_TRUE(Has(text, "text.jpg cannot be decoded")) << text;
    EXPECT_FALSE(fs::exists(dir / "t.vez"));

    // A settings file replaced by a FIFO reads as no settings.
    dir.WriteFile("a.png", Png(32, 32, 0));
    dir.WriteFile("album.json", AlbumJson("a.png"));
    ASSERT_EQ(RunCli("pack " + album + " -o " + (dir / "t.vez"), &text), 0) << text;
    EXPECT_EQ(RunCli("info " + (dir / "t.vez"), &text, "KELVCLIP_CONFIG=" + fifo), 0) << text;
}

TEST(HostileInput, AbsurdAlbumLengthsAreRefused) {
    CTempDir dir;
    dir.WriteFile("a.png", Png(32, 32, 0));
    std::string text;
    for (const char* time : {"-1", "1e308", "86400.5"}) {
        std::string album = dir.WriteFile("album.json", AlbumJson("a.png", time));
        EXPECT_EQ(RunCli("pack " + album + " -o " + (dir / "t.vez"), &text), 2) << time;
        EXPECT_TRUE(Has(text, "display time")) << text;
    }

    CMainDoc doc;
    CAlbum* album = doc.GetProject().AddGroup(std::make_unique<CAlbumGrp>())->AddAlbum(
        std::make_unique<CAlbum>());
    CSlide slide;
    slide.AddItem(CImage("Z:\\Files\\a.png"));
    slide.m_displayTime = 1e308;
    album->AddSlide(slide);
    std::string bad = WriteRawTemplate(dir, doc, {{"Files/a.png", Png(32, 32, 0)}});
    EXPECT_EQ(RunCli("render " + bad + " -o " + (dir / "x.mpg"), &text), 2) << text;
    EXPECT_TRUE(Has(text, "display time of 1e+308 s is outside")) << text;
    EXPECT_FALSE(fs::exists(dir / "x.mpg"));
    EXPECT_EQ(RunCli("info " + bad, &text), 2) << text;

    // An album without slides is said to be one.
    CMainDoc empty;
    empty.GetProject().AddGroup(std::make_unique<CAlbumGrp>())->AddAlbum(std::make_unique<CAlbum>());
    EXPECT_EQ(RunCli("render " + WriteRawTemplate(dir, empty, {}) + " --disc vcd -o " +
                         (dir / "x.mpg"),
                     &text),
              2);
    EXPECT_TRUE(Has(text, "the album has no slides to render")) << text;

    std::string good = WriteTemplate(dir, {dir / "a.png"});
    EXPECT_EQ(RunCli("frame " + good + " --at 1e300 -o " + (dir / "f.png"), &text), 64) << text;
    EXPECT_TRUE(Has(text, "is outside")) << text;
    EXPECT_FALSE(Has(text, "-2147483648")) << text;
}

TEST(HostileInput, MediaThatCannotBeUsedIsNamedAndStrictFails) {
    CTempDir dir;
    std::string jpeg = JpegBytes(QuadrantImage(320, 240));
    std::string truncated = dir.WriteFile("cut.jpg", jpeg.substr(0, jpeg.size() / 3));
    std::string good = dir.WriteFile("good.png", Png(64, 48, 0));
    std::string sound = dir.WriteFile("bad.wav", "RIFF and then nothing a decoder reads");
    std::string tmpl = WriteTemplate(dir, {truncated, good}, sound);
    std::string text;

    EXPECT_EQ(RunCli("frame " + tmpl + " --at 0.5 --size 64x48 -o " + (dir / "f.png"), &text), 0)
        << text;
    // Names as `info` lists the template's files.
    EXPECT_TRUE(Has(text, "warning: files\\cut.jpg: cannot be decoded")) << text;

    EXPECT_EQ(RunCli("render " + tmpl + " --disc vcd -o " + (dir / "v.mpg"), &text), 0) << text;
    EXPECT_TRUE(Has(text, "warning: files\\bad.wav: cannot be decoded")) << text;
    // One warning per file, however often the renderer meets it.
    std::size_t first = text.find("files\\cut.jpg");
    ASSERT_NE(first, std::string::npos) << text;
    EXPECT_EQ(text.find("files\\cut.jpg", first + 1), std::string::npos) << text;

    EXPECT_EQ(RunCli("render " + tmpl + " --strict --disc vcd -o " + (dir / "s.mpg"), &text), 2)
        << text;
    EXPECT_TRUE(Has(text, "--strict")) << text;
    EXPECT_EQ(RunCli("frames " + tmpl + " --strict --size 64x48 -o " + (dir / "frames"), &text), 2)
        << text;

    // A clip without a sound track of its own (the demo's) plays silent
    // without a warning, also under --strict.
    EXPECT_EQ(RunCli(std::string("render ") + KV_DEMO + " --strict --disc vcd -o " + (dir / "d.mpg"),
                     &text),
              0)
        << text;
    EXPECT_FALSE(Has(text, "warning")) << text;
}

TEST(HostileInput, ATemplateCannotShowTheUsersFiles) {
    CTempDir dir;
    // A red picture of the user's that a template names by its host path.
    std::string secret = dir.WriteFile("secret.png", PngBytes(STestImage(64, 48, [](int, int) {
                                                                   return std::array<std::uint8_t, 4>{0, 0, 255, 255};
                                                               }),
                                                               false));
    CMainDoc doc;
    CAlbum* album = doc.GetProject().AddGroup(std::make_unique<CAlbumGrp>())->AddAlbum(
        std::make_unique<CAlbum>());
    CSlide slide;
    slide.AddItem(CImage(secret));
    slide.m_displayTime = 2;
    album->AddSlide(slide);
    std::string tmpl = WriteRawTemplate(dir, doc, {});
    std::string text, frame = dir / "f.png";
    EXPECT_EQ(RunCli("frame " + tmpl + " --at 1 --size 64x48 -o " + frame, &text), 0) << text;
    EXPECT_TRUE(Has(text, secret + ": lies outside the template package")) << text;

    PLAnyPicDecoder decoder;
    PLAnyBmp bmp;
    decoder.DecodeFile(frame, &bmp, 32);
    const std::uint8_t* centre = bmp.GetLineArray()[24] + 32 * 4;
    EXPECT_LT(centre[2], 40) << "the frame shows the host picture";
}

TEST(HostileInput, TerminationSignalsRemoveTheExtractedFiles) {
    CTempDir dir, tmp;
    std::string sound = dir / "s.wav";
    ASSERT_TRUE(SoundWriter::Write(sound, "pcm_s16le", 44100, 2,
                                   SoundWriter::Sine(440, 2, 44100, 2)));
    std::string picture = dir.WriteFile("a.png", Png(64, 48, 0));
    std::string tmpl = WriteTemplate(dir, {picture, picture}, sound, 60);
    for (int signal : {SIGTERM, SIGHUP, SIGINT}) {
        for (const char* command : {"frames", "render"}) {
            std::string out = dir / (std::string(command) + std::to_string(signal));
            pid_t pid = fork();
            ASSERT_GE(pid, 0);
            if (pid == 0) {
                setenv("TMPDIR", tmp.Path().c_str(), 1);
                if (command == std::string("frames"))
                    execl(KV_CLI, KV_CLI, "frames", tmpl.c_str(), "--size", "64x48", "-o",
                          out.c_str(), nullptr);
                else
                    execl(KV_CLI, KV_CLI, "render", tmpl.c_str(), "--disc", "vcd", "-o",
                          (out + ".mpg").c_str(), nullptr);
                _exit(127);
            }
            // Once the sound is extracted (and, for a render, the encode has
            // begun writing), the signal arrives.
            // (The video is written under a temporary name beside its own.)
            auto written = [&] {
                std::error_code ec;
                for (const auto& entry : fs::directory_iterator(dir.Path(), ec))
                    if (entry.path().string().rfind(out + ".mpg", 0) == 0 &&
                        entry.file_size(ec) > 0)
                        return true;
                return false;
            };
            auto ready = [&] {
                return CountKelvclipFolders(tmp.Path()) > 0 &&
                       (command == std::string("frames") || written());
            };
            for (int i = 0; i < 2400 && !ready(); ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(25));
            ASSERT_TRUE(ready()) << command;
            kill(pid, signal);
            int status = 0;
            waitpid(pid, &status, 0);
            if (command == std::string("render")) {
                // A render cancels as Ctrl-C does and ends on its own.
                ASSERT_TRUE(WIFEXITED(status)) << signal;
                EXPECT_EQ(WEXITSTATUS(status), 1) << signal;
            } else {
                ASSERT_TRUE(WIFSIGNALED(status)) << signal;
                EXPECT_EQ(WTERMSIG(status), signal);
            }
            EXPECT_EQ(CountKelvclipFolders(tmp.Path()), 0) << command << " " << signal;
        }
    }
}

TEST(HostileInput, StandardOutputCarriesOnlyThePicture) {
    CTempDir dir;
    std::string tmpl = WriteTemplate(dir, {dir.WriteFile("a.png", Png(64, 48, 0))});
    std::string png = dir / "out.png";
    int status = std::system((std::string(KV_CLI) + " frame " + tmpl +
                              " --at 0 --size 64x48 -o /dev/stdout > " + png + " 2>/dev/null")
                                 .c_str());
    EXPECT_EQ(WEXITSTATUS(status), 0);
    std::string bytes = ReadWholeFile(png);
    ASSERT_GT(bytes.size(), 20u);
    EXPECT_EQ(bytes.substr(1, 3), "PNG");
    EXPECT_EQ(bytes.substr(bytes.size() - 8, 4), "IEND");
}

// Names and texts that come from templates, descriptions and file names never
// act on the terminal, and the JSON forms stay valid whatever their bytes.
TEST(HostileInput, TemplateTextsPrintSafelyAndJsonStaysValid) {
    CTempDir dir;
    dir.WriteFile("a.png", Png(32, 24, 200));
    // ESC [2J clears the screen; OSC 0 retitles the window; U+009B is a C1
    // control sequence introducer.
    dir.WriteFile("album.json", R"({"format": "kelvclip-album", "version": 1,
        "name": "\u001b[2Jwiped", "slides": [{"items": [{"file": "a.png"}],
        "captions": [{"text": "\u001b]0;owned\u0007 and \u009b31m"}]}]})");
    std::string text;
    ASSERT_EQ(RunCli("pack " + (dir / "album.json") + " -o " + (dir / "t.vez"), &text), 0)
        << text;
    ASSERT_EQ(RunCli("info " + (dir / "t.vez"), &text), 0) << text;
    EXPECT_EQ(text.find('\x1b'), std::string::npos) << text;
    EXPECT_EQ(text.find("\xc2\x9b"), std::string::npos) << text;
    EXPECT_TRUE(Has(text, "album \"\\x1B[2Jwiped\"")) << text;
    EXPECT_TRUE(Has(text, "\\x1B]0;owned\\x07 and \\u009B31m")) << text;

    // A template whose own name is not UTF-8: info --json stays JSON.
    const std::string odd = dir / "\xff\xfe.vez";
    fs::copy_file(dir / "t.vez", odd);
    ASSERT_EQ(RunCommand("timeout 60 " + std::string(KV_CLI) + " info --json '" + odd + "'", &text),
              0)
        << text;
    nlohmann::json info = nlohmann::json::parse(text, nullptr, false);
    ASSERT_FALSE(info.is_discarded()) << text;
    EXPECT_TRUE(Has(info["template"].get<std::string>(), "\xef\xbf\xbd")) << text;

    // Mask pictures named with bad bytes and escapes, in a plug-in folder.
    const std::string plugins = dir / "plugins";
    fs::create_directories(plugins + "/Masks");
    fs::copy_file(KV_MASKFX, plugins + "/maskfx.so");
    const std::string gif =
        GifBytes(4, 4, std::vector<std::uint8_t>(16, 1), {{0, 0, 0}, {255, 255, 255}}, -1);
    dir.WriteFile("plugins/Masks/\xff\xfe.gif", gif);
    dir.WriteFile("plugins/Masks/\x1b[2J.gif", gif);
    ASSERT_EQ(RunCommand("timeout 60 " + std::string(KV_CLI) + " effects --json --plugins " +
                             plugins + " 2>/dev/null",
                         &text),
              0);
    nlohmann::json effects = nlohmann::json::parse(text, nullptr, false);
    ASSERT_FALSE(effects.is_discarded()) << text;
    ASSERT_EQ(RunCli("effects --plugins " + plugins, &text), 0) << text;
    EXPECT_EQ(text.find('\x1b'), std::string::npos);
    EXPECT_TRUE(Has(text, "\\x1B[2J.gif")) << text;
}

// Messages say what is wrong: the limit a size passes, an album without frames.
TEST(HostileInput, MessagesNameTheLimitAndTheEmptyAlbum) {
    CTempDir dir;
    dir.WriteFile("a.png", Png(32, 24, 200));
    dir.WriteFile("album.json", R"({"format": "kelvclip-album", "version": 1,
        "closingTransition": {"name": "Fade Plugin", "length": 0},
        "slides": [{"displayTime": 0, "transition": {"name": "Fade Plugin", "length": 0},
                    "items": [{"file": "a.png"}]}]})");
    std::string text;
    ASSERT_EQ(RunCli("pack " + (dir / "album.json") + " -o " + (dir / "t.vez"), &text), 0)
        << text;
    EXPECT_EQ(RunCli("frame " + (dir / "t.vez") + " --at 0 -o " + (dir / "f.png"), &text), 2);
    EXPECT_TRUE(Has(text, "the album has no frames to show")) << text;
    EXPECT_EQ(RunCli("frame " + (dir / "t.vez") + " --at 0 --size 9000x10 -o " + (dir / "f.png"),
                     &text),
              64);
    EXPECT_TRUE(Has(text, "--size 9000x10 is outside 1x1 to 8192x8192")) << text;

    // FFmpeg's own log lines stay off the terminal: every line is ours.
    dir.WriteFile("text.mp4", "a shopping list, not a clip\n");
    dir.WriteFile("clip.json", R"({"format": "kelvclip-album", "version": 1,
        "slides": [{"items": [{"file": "text.mp4"}]}]})");
    EXPECT_EQ(RunCli("pack " + (dir / "clip.json") + " -o " + (dir / "c.vez"), &text), 2);
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);)
        EXPECT_EQ(line.rfind("kelvclip-cli: ", 0), 0u) << line;
}

// A picture that cannot be written whole (here the file size limit, as a full
// disk would) leaves nothing under its name and no temporary file, and the
// picture that was there stays.
TEST(HostileInput, APictureCutShortByTheDiskLeavesNoBrokenFile) {
    CTempDir dir;
    const std::string tmpl = WriteTemplate(dir, {dir.WriteFile("noise.png", Png(360, 288, 90))});
    const std::string out = dir.WriteFile("old.png", "the picture that was there");
    std::string text;
    // 8 blocks of 512 bytes: far less than the frame; writes past it fail
    // with EFBIG once the signal is ignored.
    EXPECT_EQ(RunCommand("ulimit -f 8; trap '' XFSZ; " + std::string(KV_CLI) + " frame " + tmpl +
                             " --at 0.5 --size 360x288 -o " + out + " 2>&1",
                         &text),
              2)
        << text;
    EXPECT_TRUE(Has(text, "old.png: cannot be written")) << text;
    EXPECT_EQ(ReadWholeFile(out), "the picture that was there");
    std::size_t files = 0;
    for (const auto& entry : fs::directory_iterator(dir.Path()))
        files += entry.path().filename().string().find(".part-") != std::string::npos;
    EXPECT_EQ(files, 0u);
}

TEST(HostileInput, DumpWritesOnlyMediaIntoAFolderOfItsOwn) {
    CTempDir dir;
    // The template's pictures: one named as a shell start-up file, one that
    // is a script, one sharing its name with the user's own photo.
    fs::create_directories(dir / "t");
    const std::string sound = dir / "t/music.wav";
    ASSERT_TRUE(SoundWriter::Write(sound, "pcm_s16le", 44100, 2,
                                   SoundWriter::Sine(440, 0.5, 44100, 2)));
    const std::string tmpl =
        WriteTemplate(dir,
                      {dir.WriteFile("t/.bashrc", Png(64, 48, 10)),
                       dir.WriteFile("t/run.sh", "echo owned by a template\n"),
                       dir.WriteFile("t/photo.png", Png(64, 48, 20))},
                      sound);
    fs::create_directories(dir / "home");
    const std::string bashrc = dir.WriteFile("home/.bashrc", "the user's own");
    const std::string photo = dir.WriteFile("home/photo.png", "the user's photo");
    std::string text;
    EXPECT_EQ(RunCommand("cd " + (dir / "home") + " && " + KV_CLI + " dump " + tmpl +
                             " -o album.json 2>&1",
                         &text),
              0)
        << text;
    EXPECT_EQ(ReadWholeFile(bashrc), "the user's own");
    EXPECT_EQ(ReadWholeFile(photo), "the user's photo");
    EXPECT_TRUE(Has(text, "Files/.bashrc is not written: its name is hidden")) << text;
    EXPECT_TRUE(Has(text, "Files/run.sh is not written")) << text;
    // Only the media, in a new folder beside the description.
    std::set<std::string> written;
    for (const auto& entry : fs::directory_iterator(dir / "home/album-media"))
        written.insert(entry.path().filename().string());
    EXPECT_EQ(written, (std::set<std::string>{"photo.png", "music.wav"}));
    const auto json = nlohmann::json::parse(ReadWholeFile(dir / "home/album.json"));
    EXPECT_EQ(json["slides"][2]["items"][0]["file"], "album-media/photo.png") << json.dump(1);

    // --media names the folder; beside the description, the user's photo is
    // kept unless --force replaces it.
    EXPECT_EQ(RunCli("dump " + tmpl + " -o " + (dir / "home/b.json") + " --media " +
                         (dir / "home"),
                     &text),
              2)
        << text;
    EXPECT_TRUE(Has(text, "photo.png: already exists; give --force")) << text;
    EXPECT_EQ(ReadWholeFile(photo), "the user's photo");
    EXPECT_FALSE(fs::exists(dir / "home/b.json"));
    EXPECT_FALSE(fs::exists(dir / "home/music.wav")) << "a failed dump leaves what it wrote";

    // A full disk (the file size limit stands for it) leaves no cut media
    // and no temporary files, and keeps the file it was replacing.
    fs::remove_all(dir / "home/album-media");
    const std::string old = dir.WriteFile("home/album-media/photo.png", "the old one");
    EXPECT_EQ(RunCommand("ulimit -f 1; trap '' XFSZ; " + std::string(KV_CLI) + " dump " + tmpl +
                             " -o " + (dir / "home/album.json") + " --force 2>&1",
                         &text),
              2)
        << text;
    EXPECT_TRUE(Has(text, "cannot be written")) << text;
    EXPECT_EQ(ReadWholeFile(old), "the old one");
    for (const auto& entry : fs::recursive_directory_iterator(dir / "home"))
        EXPECT_FALSE(Has(entry.path().string(), ".part-")) << entry.path();
}

// Pictures that would cost far more memory than they are worth take little:
// 650 bytes of TIFF that claim 16000 x 16000 pixels at 64 bits (which took
// 4 GB), and a layout slide of a thousand items of one picture (6 GB, and
// most of a minute, for one frame).
TEST(HostileInput, PicturesThatClaimMuchMemoryTakeLittle) {
    CTempDir dir;
    std::string text;
    long peak = 0;
    std::string tiff = TiffClaimingBytes(16000, 16000, std::string(400, '\x78'));
    ASSERT_LE(tiff.size(), 650u);
    tiff.resize(650, '\0');
    const std::string huge = dir.WriteFile("huge.tif", tiff);
    const std::string tmpl = WriteTemplate(dir, {dir.WriteFile("a.png", Png(64, 48, 0))});
    EXPECT_EQ(RunCliPeak("frame " + tmpl + " --at 1 --size 64x48 --replace 1=" + huge + " -o " +
                             (dir / "f.png"),
                         text, peak),
              0)
        << text;
    EXPECT_TRUE(Has(text, huge + ": cannot be decoded: End of file reached")) << text;
    EXPECT_LT(peak, 1024 * 1024) << peak << " kB";

    CMainDoc doc;
    CAlbum* album = doc.GetProject().AddGroup(std::make_unique<CAlbumGrp>())->AddAlbum(
        std::make_unique<CAlbum>());
    CSlide slide;
    const std::string noise = dir.WriteFile("noise.png", Png(800, 600, 60));
    for (int i = 0; i < 1000; ++i)
        slide.AddItem(CImage(noise));
    slide.m_displayTime = 5;
    slide.m_layoutName = "Circle with Changing Pic";
    album->AddSlide(slide);
    const std::string layout = dir / "layout.vez";
    ASSERT_TRUE(CTemplateWriter::Write(doc, layout, text)) << text;
    EXPECT_EQ(RunCliPeak("frame " + layout + " --at 2.5 -o " + (dir / "l.png"), text, peak), 0)
        << text;
    EXPECT_TRUE(Has(text, "files\\noise.png: is picture 101 of a slide of 1000")) << text;
    EXPECT_LT(peak, 1024 * 1024) << peak << " kB";
}
