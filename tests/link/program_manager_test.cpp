// The program manager's checks and the four program-file operations, on a unit controller over
// an in-memory port: what each action changes, what it queues for the unit, what it asks and
// shows, and the files it writes and reads. Nothing is answered here; the round trips with a unit
// are the GUI tests' against the virtual unit.

#include "link/ProgramManager.h"

#include "FakePort.h"
#include "files/ProgramFile.h"
#include "link/UnitController.h"
#include "model/ProgramContainer.h"
#include "protocol/Frame.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

class RecordingView : public IUnitView {
public:
    std::vector<std::string> titles;
    std::vector<std::string> filesUsed;
    int programsLoaded = 0;

    void OnTitleChanged(const std::string& t) override { titles.push_back(t); }
    void OnProgramLoaded() override { ++programsLoaded; }
    void OnProgramFileUsed(const std::string& path) override { filesUsed.push_back(path); }
};

// Answers the chooser with the next scripted path (an empty script cancels) and records what
// it was asked for.
class ScriptedChooser : public IFileChooser {
public:
    std::vector<std::string> answers;
    std::vector<FileChoice> asked;

    std::optional<std::string> ChooseFile(const FileChoice& choice) override {
        asked.push_back(choice);
        if (answers.empty())
            return std::nullopt;
        std::string path = answers.front();
        answers.erase(answers.begin());
        return path;
    }
};

class TempDir {
public:
    TempDir() {
        std::string pattern = (fs::temp_directory_path() / "tavrel-programs-XXXXXX").string();
        if (::mkdtemp(pattern.data()) != nullptr)
            path_ = pattern;
    }
    ~TempDir() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    fs::path path_;
};

Bytes ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string TextAt(const Bytes& frame, std::size_t offset, std::size_t width) {
    return std::string(frame.begin() + static_cast<long>(kOffsetPayload + offset),
                       frame.begin() + static_cast<long>(kOffsetPayload + offset + width));
}

class ProgramManagerTest : public testing::Test {
protected:
    void Make(int deviceType = 1) {
        ctl = std::make_unique<UnitController>(deviceType, data, bank, view, &sink,
                                               std::make_unique<FakePort>());
        files = std::make_unique<ProgramFileActions>(*ctl, view, &sink);
        manager = std::make_unique<ProgramManager>(*ctl, *files, &sink);
    }
    void Connect() { ASSERT_TRUE(ctl->Connect("/dev/fake", 1, false)); }

    int Queued() const { return ctl->Command().QueueCount(); }
    const Bytes& QueuedFrame(int i) const { return ctl->Command().Queue().At(i)->bytes; }
    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const auto& m : sink.messages)
            texts.push_back(m.text);
        return texts;
    }

    ProgramContainer data;
    ProgramBank bank{};
    RecordingView view;
    RecordingMessageSink sink;
    ScriptedChooser chooser;
    TempDir dir;
    std::unique_ptr<UnitController> ctl;
    std::unique_ptr<ProgramFileActions> files;
    std::unique_ptr<ProgramManager> manager;
};

// ---- Device actions -------------------------------------------------------------------------

TEST_F(ProgramManagerTest, DeviceActionsWithoutAUnitChangeNothingAndSayWhy) {
    Make();
    for (DeviceProgramAction action : {DeviceProgramAction::Recall, DeviceProgramAction::Store})
        EXPECT_FALSE(manager->RunDeviceAction(action, 5, "Hall"));
    EXPECT_EQ(Texts(),
              (std::vector<std::string>{"Please to Open COM-Port", "Please to Open COM-Port"}));
    EXPECT_EQ(data.programName(), "NewProgram");
    EXPECT_EQ(manager->ProgramName(5), "");
    EXPECT_EQ(Queued(), 0);
}

struct DeviceActionCase {
    const char* what;
    DeviceProgramAction action;
    int number;
    const char* typed;
    const char* message; // "" when the action goes ahead
    const char* stored;  // the name a store sends
};

class DeviceActionTest : public ProgramManagerTest,
                         public testing::WithParamInterface<DeviceActionCase> {};

TEST_P(DeviceActionTest, MovesTheChosenMemoryAndNamesNothingBeforeTheUnitHasAnswered) {
    const DeviceActionCase& c = GetParam();
    Make();
    Connect();
    const int before = Queued();
    const bool started = manager->RunDeviceAction(c.action, c.number, c.typed);
    EXPECT_EQ(started, std::string(c.message).empty());
    EXPECT_EQ(Texts(), std::string(c.message).empty() ? std::vector<std::string>{}
                                                      : std::vector<std::string>{c.message});
    // Nothing is answered here: the names stay as they were.
    EXPECT_EQ(data.programName(), "NewProgram");
    EXPECT_EQ(manager->ProgramName(c.number), "");
    if (!started) {
        EXPECT_EQ(Queued(), before);
        EXPECT_FALSE(ctl->IsBusy());
        return;
    }
    EXPECT_TRUE(ctl->IsBusy());
    ASSERT_GT(Queued(), before);
    const Bytes& first = QueuedFrame(before);
    EXPECT_EQ(first[kOffsetSlot], c.number);
    if (c.action == DeviceProgramAction::Store) {
        // A store starts with the memory's name, 15 characters padded with blanks.
        EXPECT_EQ(first[kOffsetKind], kKindWrite);
        EXPECT_EQ(first[kOffsetSection], kSectionGlobal);
        EXPECT_EQ(first[kOffsetChannel], kGlobalProgramName);
        EXPECT_EQ(TextAt(first, 0, 15), (std::string(c.stored) + "           ").substr(0, 15));
        EXPECT_EQ(Queued(), before + 13); // name, 8 output and 4 input blocks
    } else {
        EXPECT_EQ(first[kOffsetKind], kKindRead);
        EXPECT_EQ(first[kOffsetSection], kSectionInput);
        EXPECT_EQ(Queued(), before + 12); // 4 input and 8 output blocks
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DeviceActionTest,
    testing::Values(
        DeviceActionCase{"StoreRow12WithoutLeadingBlanks", DeviceProgramAction::Store, 12,
                         "  Show 2", "", "Show 2"},
        DeviceActionCase{"StoreOfBlanksIsRefused", DeviceProgramAction::Store, 12, "   ",
                         "Program Name is not empty", ""},
        DeviceActionCase{"StoreOfNothingIsRefused", DeviceProgramAction::Store, 1, "",
                         "Program Name is not empty", ""},
        DeviceActionCase{"RecallOfANamedMemory", DeviceProgramAction::Recall, 7, "Hall", "", ""},
        DeviceActionCase{"RecallOfAnUnnamedMemory", DeviceProgramAction::Recall, 30, "", "", ""}),
    [](const testing::TestParamInfo<DeviceActionCase>& info) { return info.param.what; });

// ---- One program to and from the PC ---------------------------------------------------------

TEST_F(ProgramManagerTest, SingleProgramGoesToAFileAndBackWithoutAUnit) {
    Make(3);
    data.input(1).setGain(123);
    data.setProgramName("Stage");
    chooser.answers = {dir.file("live")};
    EXPECT_EQ(manager->RunPcAction(PcProgramAction::StoreProgram, chooser), FileOutcome::Done);
    ASSERT_EQ(chooser.asked.size(), 1u);
    EXPECT_EQ(chooser.asked[0].kind, ProgramFileKind::SingleSetting);
    EXPECT_TRUE(chooser.asked[0].save);
    EXPECT_EQ(chooser.asked[0].deviceType, 3);
    EXPECT_EQ(chooser.asked[0].proposedName, "Stage"); // the program's name is proposed
    const std::string stored = dir.file("live.dia24");
    EXPECT_EQ(ReadAll(stored), EncodeProgramSetting(data));
    EXPECT_EQ(view.titles, std::vector<std::string>{"VUR24_Stage"});
    EXPECT_EQ(view.filesUsed, std::vector<std::string>{stored});

    data.input(1).setGain(5);
    data.setProgramName("Other");
    chooser.answers = {stored};
    EXPECT_EQ(manager->RunPcAction(PcProgramAction::RecallProgram, chooser), FileOutcome::Done);
    EXPECT_FALSE(chooser.asked[1].save);
    EXPECT_EQ(data.input(1).gain(), 123);
    EXPECT_EQ(data.programName(), "Stage");
    EXPECT_EQ(view.programsLoaded, 1);
    EXPECT_EQ(view.titles.back(), "VUR24_Stage");
    EXPECT_EQ(Queued(), 0); // no unit: nothing is sent
    EXPECT_TRUE(sink.messages.empty());

    // Cancelling the chooser does nothing.
    EXPECT_EQ(manager->RunPcAction(PcProgramAction::RecallProgram, chooser),
              FileOutcome::Cancelled);
    EXPECT_EQ(view.programsLoaded, 1);
}

TEST_F(ProgramManagerTest, RecalledProgramBecomesTheUnitsLiveSettingsWhenConnected) {
    Make();
    const std::string path = dir.file("hall.dia48");
    data.output(4).setGain(222);
    ASSERT_EQ(files->StoreProgramToFile(path), FileOutcome::Done);
    Connect();
    const int before = Queued();
    EXPECT_EQ(files->RecallProgramFromFile(path), FileOutcome::Done);
    ASSERT_GT(Queued(), before);
    EXPECT_EQ(QueuedFrame(before)[kOffsetSlot], 0);
    EXPECT_EQ(QueuedFrame(Queued() - 1)[kOffsetSlot], 0);
    EXPECT_TRUE(ctl->IsBusy());
}

TEST_F(ProgramManagerTest, FileFailuresAreReportedAndChangeNothing) {
    Make();
    EXPECT_EQ(files->StoreProgramToFile(dir.file("missing/dir/live")), FileOutcome::Failed);
    EXPECT_EQ(files->RecallProgramFromFile(dir.file("absent.dia48")), FileOutcome::Failed);
    EXPECT_EQ(Texts(), (std::vector<std::string>{
                           "MusicFile Write Error\n" + dir.file("missing/dir/live.dia48") +
                               ": its folder does not exist",
                           "File read Error\n" + dir.file("absent.dia48") + ": does not exist"}));
    EXPECT_TRUE(view.titles.empty());
    EXPECT_TRUE(view.filesUsed.empty());
    EXPECT_EQ(view.programsLoaded, 0);
}

// ---- The whole bank -------------------------------------------------------------------------

TEST_F(ProgramManagerTest, BankOperationsNeedAUnitAndAskNoFileWithoutOne) {
    Make();
    chooser.answers = {dir.file("bank.dat")};
    EXPECT_EQ(manager->RunPcAction(PcProgramAction::RecallAllPrograms, chooser),
              FileOutcome::Failed);
    EXPECT_EQ(manager->RunPcAction(PcProgramAction::StoreAllPrograms, chooser),
              FileOutcome::Failed);
    EXPECT_TRUE(chooser.asked.empty());
    EXPECT_EQ(Texts(),
              (std::vector<std::string>{"Please to Open COM-Port", "Please to Open COM-Port"}));
    EXPECT_EQ(Queued(), 0);
}

// A library every model could hold (default programs), program i's output 1 at gain index
// `gain(i)` and named "Lib<i>".
ProgramBank Library(int deviceType, const std::function<int(int)>& gain) {
    ProgramBank library{};
    ProgramContainer fresh;
    fresh.setDeviceType(deviceType);
    for (int i = 0; i < 30; ++i) {
        ProgramImage& image = library[static_cast<std::size_t>(i)];
        fresh.fillProgramImage(image);
        image.name = "Lib" + std::to_string(i + 1);
        image.outputs[0].gain = static_cast<std::int16_t>(gain(i));
    }
    return library;
}

TEST_F(ProgramManagerTest, RecalledLibraryGoesToAllThirtyMemoriesAfterSayingItsModel) {
    Make();
    const std::string path = dir.file("shows.dat");
    ASSERT_EQ(SaveProgramLibrary(path, Library(1, [](int i) { return i * 10; })),
              ProgramFileStatus::Ok);
    Connect();
    const int before = Queued();
    chooser.answers = {path};
    sink.answer = true;
    EXPECT_EQ(manager->RunPcAction(PcProgramAction::RecallAllPrograms, chooser), FileOutcome::Done);
    EXPECT_EQ(chooser.asked.at(0).kind, ProgramFileKind::Library);
    EXPECT_FALSE(chooser.asked.at(0).save);
    // Its name says no model: the operator hears which model it is read as.
    EXPECT_EQ(sink.questions,
              std::vector<std::string>{path + " does not say which model it was made for. It is "
                                              "read as a 4x8 library.\nWrite its 30 programs to "
                                              "memories 1 to 30 of the unit?"});
    EXPECT_EQ(bank[29].outputs[0].gain, 290);
    EXPECT_EQ(manager->ProgramName(1), ""); // named once the unit has taken each memory
    EXPECT_EQ(Queued(), before + 30 * 13);
    EXPECT_EQ(QueuedFrame(before)[kOffsetSlot], 1);
    EXPECT_EQ(QueuedFrame(Queued() - 1)[kOffsetSlot], 30);
    EXPECT_TRUE(ctl->IsBusy());
}

TEST_F(ProgramManagerTest, StoreAllReadsTheMemoriesThenSavesTheBankForItsModel) {
    Make(2);
    Connect();
    const int before = Queued();
    EXPECT_EQ(manager->RunPcAction(PcProgramAction::StoreAllPrograms, chooser), FileOutcome::Done);
    EXPECT_TRUE(chooser.asked.empty()); // the save comes when the 30th program has arrived
    EXPECT_EQ(Queued(), before + 30 * 12);
    EXPECT_EQ(QueuedFrame(before)[kOffsetKind], kKindRead);

    bank[3].name = "Four";
    chooser.answers = {dir.file("bank")};
    EXPECT_EQ(files->SaveBank(chooser), FileOutcome::Done);
    EXPECT_EQ(chooser.asked.at(0).kind, ProgramFileKind::Library);
    EXPECT_TRUE(chooser.asked.at(0).save);
    EXPECT_EQ(chooser.asked.at(0).proposedName, "unit-1");
    EXPECT_EQ(ReadAll(dir.file("bank.dat36")), EncodeProgramLibrary(bank));
    EXPECT_EQ(files->SaveBankToFile(dir.file("missing/bank")), FileOutcome::Failed);
    EXPECT_EQ(Texts(),
              std::vector<std::string>{"MusicFile Write Error\n" + dir.file("missing/bank.dat36") +
                                       ": its folder does not exist"});
}

// ---- Questions ------------------------------------------------------------------------------

TEST_F(ProgramManagerTest, FileOfAnotherModelIsConvertedOnlyWhenTheOperatorAgrees) {
    // A 4x8 file with a delay and a gain the 2x4 cannot hold.
    ProgramContainer big;
    big.input(0).setDelay(52473);
    big.output(1).setGain(0);
    big.setProgramName("Big");
    const std::string path = dir.file("big.dia48");
    ASSERT_EQ(SaveProgramSetting(path, big), ProgramFileStatus::Ok);
    Make(3);
    const int delay = data.input(0).delay();

    sink.answer = false;
    EXPECT_EQ(files->RecallProgramFromFile(path), FileOutcome::Cancelled);
    ASSERT_EQ(sink.questions.size(), 1u);
    EXPECT_EQ(sink.questions[0],
              "This file was made for the 4x8, not for the 2x4.\nIts values are converted by "
              "value to the 2x4's scales (gains in dB, delays in time, bandwidths in octaves). "
              "These values lie beyond the 2x4's ranges and are limited:\nInput A delay 1000.0 "
              "ms becomes 999.0 ms\nOutput 2 gain -40.0 dB becomes -36.0 dB\nLoad it anyway?");
    EXPECT_EQ(data.input(0).delay(), delay);
    EXPECT_EQ(data.programName(), "NewProgram");
    EXPECT_EQ(view.programsLoaded, 0);

    sink.answer = true;
    EXPECT_EQ(files->RecallProgramFromFile(path), FileOutcome::Done);
    EXPECT_EQ(data.programName(), "Big");
    EXPECT_EQ(data.input(0).delay(), DeviceModelOf(3).delayMax);
    EXPECT_EQ(data.input(1).gain(), DeviceModelOf(3).gainZeroIndex); // 0 dB stays 0 dB

    // This model's files and files that name no model are read without a question.
    ASSERT_EQ(SaveProgramSetting(dir.file("own.dia24"), data), ProgramFileStatus::Ok);
    ASSERT_EQ(SaveProgramSetting(dir.file("plain"), data), ProgramFileStatus::Ok);
    EXPECT_EQ(files->RecallProgramFromFile(dir.file("own.dia24")), FileOutcome::Done);
    EXPECT_EQ(files->RecallProgramFromFile(dir.file("plain")), FileOutcome::Done);
    EXPECT_EQ(sink.questions.size(), 2u);
}

TEST_F(ProgramManagerTest, LibraryOfAnotherModelIsConvertedOnlyWhenTheOperatorAgrees) {
    // A 3x6 library whose program 4 drives output 1 at +20 dB, beyond the 4x8's +15 dB.
    const std::string path = dir.file("bank.dat36");
    ASSERT_EQ(SaveProgramLibrary(path, Library(2, [](int i) { return i == 3 ? 560 : 360; })),
              ProgramFileStatus::Ok);
    Make(1);
    Connect();
    const int before = Queued();
    EXPECT_EQ(files->RecallAllProgramsFromFile(path), FileOutcome::Cancelled);
    ASSERT_EQ(sink.questions.size(), 1u);
    EXPECT_EQ(sink.questions[0],
              path + " was made for the 3x6, not for the 4x8.\nIts 30 programs are converted by "
                     "value to the 4x8's scales (gains in dB, delays in time, bandwidths in "
                     "octaves). These values lie beyond the 4x8's ranges and are limited:\n"
                     "Program 4: Output 1 gain +20.0 dB becomes +15.0 dB\nWrite its 30 programs "
                     "to memories 1 to 30 of the unit?");
    EXPECT_EQ(Queued(), before);

    sink.answer = true;
    EXPECT_EQ(files->RecallAllProgramsFromFile(path), FileOutcome::Done);
    EXPECT_EQ(bank[3].outputs[0].gain, 550);
    EXPECT_EQ(bank[0].outputs[0].gain, 400); // 0 dB on the 3x6 is 0 dB on the 4x8
    EXPECT_EQ(Queued(), before + 30 * 13);
}

TEST_F(ProgramManagerTest, ExtensionAddedToTheChosenNameDoesNotReplaceAFileUnasked) {
    Make();
    const std::string existing = dir.file("live.dia48");
    { std::ofstream(existing) << "keep"; }
    sink.answer = false;
    EXPECT_EQ(files->StoreProgramToFile(dir.file("live")), FileOutcome::Cancelled);
    EXPECT_EQ(sink.questions, std::vector<std::string>{existing + " already exists.\nDo you "
                                                                  "want to replace it?"});
    EXPECT_EQ(ReadAll(existing), (Bytes{'k', 'e', 'e', 'p'}));

    // Chosen by its full name, the chooser has asked already.
    EXPECT_EQ(files->StoreProgramToFile(existing), FileOutcome::Done);
    EXPECT_EQ(sink.questions.size(), 1u);
    EXPECT_EQ(ReadAll(existing), EncodeProgramSetting(data));
}

} // namespace
