// The program's start: its arguments, and the template it opens or asks for.
#include "app/KelvclipApp.h"
#include "app/StartOptions.h"
#include "project/ProjTmpl.h"
#include "tests/app/WizardFakes.h"
#include "tests/support/RunCommand.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

namespace {

using EAction = SStartOptions::EAction;

SStartOptions Parse(std::vector<std::string> arguments) { return SStartOptions::Parse(arguments); }

} // namespace

TEST(StartUp, TheTemplateOptionTheTitleAndTheQuestionsAnsweredAtOnce) {
    SStartOptions plain = Parse({});
    EXPECT_EQ(plain.action, EAction::kRun);
    EXPECT_EQ(plain.templatePath, "tmpl.vez");
    EXPECT_FALSE(plain.templateGiven);
    EXPECT_EQ(plain.title, "Reelkit");

    // The option's value is not the title; the title may stand before or after.
    SStartOptions named = Parse({"--template", "/x/a b.vez", "Mine", "Other"});
    EXPECT_TRUE(named.templateGiven);
    EXPECT_EQ(named.templatePath, "/x/a b.vez");
    EXPECT_EQ(named.title, "Mine");
    named = Parse({"Mine", "--unknown", "--template=b.vez"});
    EXPECT_EQ(named.templatePath, "b.vez");
    EXPECT_EQ(named.title, "Mine");

    // A menu entry's "--template %f" without a file leaves the choice to a dialog.
    for (const auto& arguments : {std::vector<std::string>{"--template"}, {"--template="}}) {
        const SStartOptions ask = Parse(arguments);
        EXPECT_TRUE(ask.templateGiven);
        EXPECT_TRUE(ask.templatePath.empty());
        EXPECT_EQ(ask.title, "Reelkit");
    }
    // After "--" a title may start with a dash.
    EXPECT_EQ(Parse({"--", "-My Show-"}).title, "-My Show-");

    EXPECT_EQ(Parse({"-h"}).action, EAction::kHelp);
    EXPECT_EQ(Parse({"Title", "--help", "--version"}).action, EAction::kHelp);
    EXPECT_EQ(Parse({"--version", "--help"}).action, EAction::kVersion);
}

TEST(StartUp, HelpAndVersionNeedNoDisplay) {
    std::string output;
    const std::string bare = std::string("env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM ") + KV_GUI;
    ASSERT_EQ(RunCommand(bare + " --help 2>&1", &output), 0) << output;
    EXPECT_EQ(output, SStartOptions::HelpText());
    ASSERT_EQ(RunCommand(bare + " --version 2>&1", &output), 0) << output;
    EXPECT_EQ(output.rfind("kelvclip ", 0), 0u) << output;
}

TEST(StartUp, ANamedTemplateThatCannotBeOpenedIsReportedAndEndsWithOne) {
    CTempDir dir;
    CFakePrompts prompts;
    CUserPrompts::CScope scope(prompts);
    for (const std::string& path : {dir / "missing.vez", dir.WriteFile("broken.vez", "PK\x03\x04 no zip")}) {
        prompts.messages.clear();
        CProjTmpl tmpl;
        int exitCode = -1;
        EXPECT_FALSE(CKelvclipApp::OpenTemplate(Parse({"--template", path, "Show"}), tmpl, exitCode));
        EXPECT_EQ(exitCode, 1);
        ASSERT_EQ(prompts.messages.size(), 1u) << path;
        EXPECT_EQ(prompts.messages[0].icon, QMessageBox::Warning);
        EXPECT_EQ(prompts.messages[0].caption, "Show");
        EXPECT_TRUE(prompts.messages[0].text.contains(QString::fromStdString(path)))
            << prompts.messages[0].text.toStdString();
    }
    EXPECT_EQ(prompts.openCalls, 0);
}

TEST(StartUp, WithoutAFileTheTemplateIsChosenAndACancelEndsQuietly) {
    CFakePrompts prompts;
    CUserPrompts::CScope scope(prompts);
    prompts.files = {QString::fromStdString(KV_DEMO)};
    CProjTmpl tmpl;
    int exitCode = -1;
    ASSERT_TRUE(CKelvclipApp::OpenTemplate(Parse({"--template"}), tmpl, exitCode));
    EXPECT_EQ(exitCode, 0);
    EXPECT_TRUE(tmpl.IsLoaded());
    EXPECT_EQ(prompts.openCalls, 1);
    EXPECT_TRUE(prompts.openFilter.contains("*.vez")) << prompts.openFilter.toStdString();

    prompts.files.clear();
    CProjTmpl none;
    EXPECT_FALSE(CKelvclipApp::OpenTemplate(Parse({"--template="}), none, exitCode));
    EXPECT_EQ(exitCode, 0);
    EXPECT_EQ(prompts.openCalls, 2);
    EXPECT_TRUE(prompts.messages.empty());
}
