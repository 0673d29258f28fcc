// setup-check as a program: its usage, exit status and output, over folders
// made here, hostile ones included.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

#include "check/Output.h"
#include "check/Text.h"

namespace {

struct TempFolder {
    std::string path;
    TempFolder() {
        char name[] = "/tmp/setup-check-run.XXXXXX";
        path = mkdtemp(name) ? name : "";
    }
    ~TempFolder() { std::system(("chmod -R u+rwx '" + path + "'; rm -rf '" + path + "'").c_str()); }
    void Write(const std::string& name, const std::string& bytes) const {
        std::ofstream(path + "/" + name, std::ios::binary) << bytes;
    }
};

struct Outcome {
    int status;
    std::string out, err;
};

Outcome RunWith(std::vector<std::string> args) {
    std::vector<const char*> argv;
    for (const std::string& a : args) argv.push_back(a.c_str());
    Outcome r;
    r.status = check::RunCheck(static_cast<int>(argv.size()), argv.data(), r.out, r.err);
    return r;
}

bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

TEST(SetupCheckProgram, BadUsageGivesTwoAndSaysWhy) {
    TempFolder t;
    const struct {
        std::vector<std::string> args;
        const char* says;
    } cases[] = {
        {{}, "no folder given"},
        {{"--bogus", t.path}, "unknown option --bogus"},
        {{t.path + "/missing"}, "no such folder"},
        {{"--codepage", "12x", t.path}, "not a code page: 12x"},
        {{"--codepage", "4242", t.path}, "code page 4242"},
        {{t.path, "--at"}, "--at needs a value"},
        {{t.path, t.path}, "one folder only"},
    };
    for (const auto& c : cases) {
        const Outcome r = RunWith(c.args);
        EXPECT_EQ(r.status, 2) << c.says;
        EXPECT_TRUE(Has(r.err, c.says) && Has(r.err, "usage: setup-check")) << r.err;
        EXPECT_EQ(r.out, "");
    }
    const Outcome help = RunWith({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(Has(help.out, "--palm-command"));
}

TEST(SetupCheckProgram, ExitStatusFollowsErrorsInTextAndJson) {
    TempFolder t;
    const Outcome empty = RunWith({t.path});
    EXPECT_EQ(empty.status, 1);
    EXPECT_TRUE(Has(empty.out, "error nothing-to-install")) << empty.out;

    t.Write("Maps.ini", "Description = Street Maps\r\n");
    t.Write("Kart\xC3\xA9.prc", "app");
    const Outcome text = RunWith({"--at", "E:\\Maps", t.path});
    EXPECT_EQ(text.status, 0) << text.err;
    EXPECT_TRUE(Has(text.out, "   1  Street Maps    (Maps.ini, line 1)\n")) << text.out;
    EXPECT_TRUE(Has(text.out, "\"E:\\Maps\\Kart\xC3\xA9.prc\"")) << text.out;

    const Outcome json = RunWith({"--json", "--ce-manager", "C:\\M\\CEAppMgr.exe", t.path});
    EXPECT_EQ(json.status, 0);
    EXPECT_TRUE(Has(json.out, "{\"text\": \"Street Maps\", \"file\": \"Maps.ini\", \"line\": 1}"))
        << json.out;
    EXPECT_TRUE(Has(json.out, "\"line\": \"\\\"C:\\\\M\\\\CEAppMgr.exe\\\" \\\"D:\\\\Maps.ini\\\"\", "
                              "\"length\": 33, \"limit\": 32766, \"fits\": true"))
        << json.out;
    EXPECT_TRUE(Has(json.out, "\"errors\": 0"));
}

// Whatever the folder holds: a clear report, never a crash (the sanitizers
// watch this test), and valid UTF-8 for the build server.
TEST(SetupCheckProgram, HostileFolderStillGivesAReport) {
    TempFolder t;
    std::string binary;
    for (int i = 0; i < 70000; ++i) binary += static_cast<char>((i * 7919) % 251);
    t.Write("binary.ini", binary);
    t.Write("nul.ini", std::string("Description = a\0b\nDescription = \xFF\x81\n", 36));
    t.Write("bad\xFF\xFE.ini", "Description = x\n");
    t.Write("locked.ini", "Description = Locked\n");
    chmod((t.path + "/locked.ini").c_str(), 0);
    ASSERT_EQ(symlink("loop.ini", (t.path + "/loop.ini").c_str()), 0);
    ASSERT_EQ(symlink("/dev/zero", (t.path + "/zero.prc").c_str()), 0);
    ASSERT_EQ(mkfifo((t.path + "/pipe.pdb").c_str(), 0644), 0);
    ASSERT_EQ(mkfifo((t.path + "/QM_pipe.pdb").c_str(), 0644), 0);
    for (int i = 0; i < 300; ++i) t.Write("App" + std::to_string(i) + ".prc", "x");

    const Outcome json = RunWith({"--json", t.path});
    EXPECT_EQ(json.status, 1) << json.err;
    EXPECT_TRUE(check::IsValidUtf8(json.out));
    // Neither a link to itself nor a name Windows would get as "bad??.ini"
    // can be opened.
    for (const char* file : {"loop.ini", "bad\\\\xFF\\\\xFE.ini"})
        EXPECT_TRUE(Has(json.out, std::string("\"code\": \"description-unreadable\", \"file\": \"") +
                                      file + "\""))
            << file;
    EXPECT_TRUE(Has(json.out, "{\"text\": \"a\", \"file\": \"nul.ini\", \"line\": 1}"));
    EXPECT_TRUE(Has(json.out, "{\"text\": \"\u00ff\\\\x81\", \"file\": \"nul.ini\", \"line\": 2}"))
        << json.out;
    EXPECT_TRUE(Has(json.out, "\"code\": \"file-unreadable\", \"file\": \"zero.prc\""));
    // Deep in a long path the 300 applications no longer fit one command line.
    const Outcome text = RunWith({"--at", "C:\\" + std::string(200, 'd'), t.path});
    EXPECT_EQ(text.status, 1);
    EXPECT_TRUE(check::IsValidUtf8(text.out));
    EXPECT_TRUE(Has(text.out, "error command-line-too-long")) << text.out;
}

}  // namespace
