// The script editor driven with real key and mouse events: instructions
// built and placed in time order, the refusals, the activation check, the
// files and the unsaved-changes questions.
#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "editor/ScriptEditor.h"
#include "editor/ScriptEditorWidgets.h"
#include "tests/model/FileSizeLimit.h"
#include "tests/ui/WindowTestSupport.h"

namespace {

enum { Trigger, SetParameters, SetMode, SwitchParadigm, LoadFile, Loop };

class ScriptEditorTest : public testing::Test {
protected:
    void SetUp() override
    {
        ReportedErrors().clear();
        Dialogs = std::make_shared<TScriptedDialogs>();
        Editor = std::make_unique<TfrmScriptEditor>();
        Editor->SetDialogs(Dialogs);
    }

    // Shows the editor on the script file name (empty: a new script).
    void Open(const QString& fileName = {})
    {
        Editor->SetFileName(fileName);
        Editor->show();
        QApplication::setActiveWindow(Editor.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(Editor.get()));
    }

    QString WriteFile(const QString& name, const QByteArray& bytes)
    {
        const QString path = Files.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }

    QByteArray ReadFile(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
    }

    template <class T>
    T* Find(const char* name)
    {
        T* found = Editor->findChild<T*>(QString::fromLatin1(name));
        EXPECT_TRUE(found) << name;
        return found;
    }

    // Picks an item of a list with the keyboard.
    void Pick(const char* combo, int index)
    {
        auto* box = Find<QComboBox>(combo);
        box->setFocus();
        QTest::keyClick(box, Qt::Key_Home);
        for (int i = 0; i < index; ++i)
            QTest::keyClick(box, Qt::Key_Down);
        ASSERT_EQ(box->currentIndex(), index) << combo;
    }

    // Types over a time field's digits from its start.
    void TypeTime(const char* field, const QString& digits)
    {
        auto* edit = Find<QWidget>(field);
        QTest::mouseClick(edit, Qt::LeftButton);
        QTest::keyClick(edit, Qt::Key_Home);
        QTest::keyClicks(edit, digits);
    }

    // Clicks the new value's mantissa (which selects it all) and types.
    void TypeValue(const QString& keys)
    {
        auto* edit = Find<QWidget>("MantisaEdit");
        QTest::mouseClick(edit, Qt::LeftButton);
        QTest::keyClicks(edit, keys);
    }

    void Click(const char* button) { QTest::mouseClick(Find<QPushButton>(button), Qt::LeftButton); }

    // Adds an instruction of a type at a start offset ("HHMMSS").
    void Add(int type, const QString& start, const std::function<void()>& fill = {})
    {
        Pick("EventCombo", type);
        if (fill)
            fill();
        TypeTime("InstructionTimeInterval", start);
        Click("btnAddInstruction");
    }

    QStringList Listed()
    {
        QStringList lines;
        auto* list = Find<QListWidget>("CommandList");
        for (int i = 0; i < list->count(); ++i)
            lines << list->item(i)->text();
        return lines;
    }

    QTemporaryDir Files;
    std::shared_ptr<TScriptedDialogs> Dialogs;
    std::unique_ptr<TfrmScriptEditor> Editor;
};

TEST_F(ScriptEditorTest, InstructionsAreWrittenInTheirFormsAndFallIntoTimeOrder)
{
    Open(WriteFile("two.ks9", "00:00:10:Trigger Channel 1\r\n00:02:00:Trigger Channel 2\r\n"));
    Add(Trigger, "000130", [&] { Pick("ChannelNumberCombo", 3); });
    // Delta V, typed as 10 with the "-" key: written "DV", the sign kept.
    Add(SetParameters, "000130", [&] {
        Pick("ChannelNumberCombo", 0);
        Pick("SettingsCombo", 5);
        TypeValue("10-");
    });
    // A duration: Enter leaves the mantissa for its exponent (3: ms).
    Add(SetParameters, "000005", [&] {
        Pick("ChannelNumberCombo", 1);
        Pick("SettingsCombo", 0);
        TypeValue("150");
        QTest::keyClick(Find<QWidget>("MantisaEdit"), Qt::Key_Return);
        ASSERT_EQ(QApplication::focusWidget(), Find<QWidget>("ExponentEdit"));
        QTest::keyClicks(Find<QWidget>("ExponentEdit"), "3");
    });
    Add(Loop, "000300", [&] {
        auto* caption = Find<TBlinkingLabel>("TimeMachineLabel");
        EXPECT_EQ(caption->Colour(), QColor(Qt::red));
        EXPECT_TRUE(QTest::qWaitFor([&] { return caption->Colour() == QColor(0, 128, 128); }, 2000));
        TypeTime("ChangeTimeToEdit", "000010");
        auto* loops = Find<QSpinBox>("CountingEdit");
        loops->selectAll();
        QTest::keyClicks(loops, "3");
    });

    EXPECT_EQ(Listed(), QStringList({"00:00:05:Change Channel 2 Duration to +00150E-3", "00:00:10:Trigger Channel 1",
                                     "00:01:30:Change Channel 1 DV to -00010E+0", "00:01:30:Trigger Channel 4",
                                     "00:02:00:Trigger Channel 2", "00:03:00:Jump To Time 00:00:10 Counting 3 Loops"}));
    EXPECT_TRUE(Editor->Modified());
    EXPECT_TRUE(Find<QAction>("actSave")->isEnabled());
    // Each addition leaves the panel empty for the next one.
    EXPECT_EQ(Find<QComboBox>("EventCombo")->currentIndex(), -1);
    EXPECT_FALSE(Find<TBlinkingLabel>("TimeMachineLabel")->Blinking());
    EXPECT_TRUE(ReportedErrors().isEmpty()) << ReportedErrors().join('\n').toStdString();
}

TEST_F(ScriptEditorTest, AddInstructionRefusesWithoutATypeAndGateAboveChannelTwo)
{
    Open();
    Click("btnAddInstruction");
    Add(SetMode, "000000", [&] {
        Pick("ChannelNumberCombo", 2);
        Pick("ModeCombo", 4);
    });
    EXPECT_EQ(ReportedErrors(), QStringList({"Please Select an Instruction from the list!",
                                                     "Gate mode is not available for Channel>2."}));
    EXPECT_TRUE(Listed().isEmpty());
    EXPECT_FALSE(Editor->Modified());

    Pick("ChannelNumberCombo", 1);
    Click("btnAddInstruction");
    EXPECT_EQ(Listed(), QStringList({"00:00:00:Change Channel 2 mode to Gate"}));
}

TEST_F(ScriptEditorTest, ActivationChecksTheWholeScriptThenSavesAndEndsWithOK)
{
    Open(WriteFile("fire.ks9", "00:00:05:Fire Channel 1\r\n00:00:06:Trigger Channel 1\r\n"));
    Click("btnOK");
    EXPECT_EQ(ReportedErrors(),
              QStringList({"Unrecognized command in line 1! \r\n\"00:00:05:Fire Channel 1\" is not a valid command."}));
    EXPECT_TRUE(Editor->isVisible());

    // An empty paradigm file field passes; a new script is saved under the
    // name chosen in the save dialog, and the window ends with OK.
    QTest::keyClick(Editor.get(), Qt::Key_N, Qt::ControlModifier);
    EXPECT_TRUE(Listed().isEmpty());
    Add(LoadFile, "000000");
    Dialogs->FileName = Files.filePath(QStringLiteral("load.ks9"));
    Click("btnOK");
    EXPECT_EQ(ReportedErrors().size(), 1);
    EXPECT_FALSE(Editor->isVisible());
    EXPECT_EQ(Editor->result(), QDialog::Accepted);
    EXPECT_EQ(Editor->FileName(), Dialogs->FileName);
    EXPECT_EQ(ReadFile(Dialogs->FileName), QByteArray("00:00:00:Load Paradigm \r\n"));
}

TEST_F(ScriptEditorTest, FilesHoldWhatTheListHolds)
{
    // Blank lines are dropped on loading, which leaves the script modified.
    const QString blanks = WriteFile("blanks.ks9", "00:00:02:Trigger Channel 2\n\n   \r\n00:00:01:Trigger Channel 1\r");
    Open(blanks);
    EXPECT_EQ(Listed(), QStringList({"00:00:01:Trigger Channel 1", "00:00:02:Trigger Channel 2"}));
    EXPECT_TRUE(Find<QAction>("actSave")->isEnabled());
    QTest::keyClick(Find<QListWidget>("CommandList"), Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(ReadFile(blanks), QByteArray("00:00:01:Trigger Channel 1\r\n00:00:02:Trigger Channel 2\r\n"));
    EXPECT_FALSE(Editor->Modified());

    // Save As of the unchanged script writes the new file all the same.
    Dialogs->FileName = Files.filePath(QStringLiteral("copy.ks9"));
    Click("btnSaveAs");
    EXPECT_EQ(ReadFile(Dialogs->FileName), ReadFile(blanks));
    EXPECT_EQ(Editor->windowTitle(), QStringLiteral("Script Editor [%1]").arg(Dialogs->FileName));

    // A write the file system refuses keeps the file and gives the system's reason.
    {
        TFileSizeLimit limit(16);
        ASSERT_TRUE(limit.Active);
        Click("btnSaveAs");
    }
    EXPECT_EQ(ReportedErrors(),
              QStringList{QStringLiteral("Cannot write file \"%1\". File too large").arg(Dialogs->FileName)});
    EXPECT_EQ(ReadFile(Dialogs->FileName), ReadFile(blanks));
    ReportedErrors().clear();

    // Delete on the selected line, released in the list.
    auto* list = Find<QListWidget>("CommandList");
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(0)).center());
    QTest::keyClick(list, Qt::Key_Delete);
    EXPECT_EQ(Listed(), QStringList({"00:00:02:Trigger Channel 2"}));
    EXPECT_TRUE(Editor->Modified());

    // A stored name that is now a named pipe: a new script, at once and silently.
    Dialogs->Answers = {QMessageBox::No};
    Editor->reject();
    const QString pipe = Files.filePath(QStringLiteral("pipe.ks9"));
    ASSERT_EQ(mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    Open(pipe);
    EXPECT_TRUE(Listed().isEmpty());
    EXPECT_EQ(Editor->windowTitle(), QStringLiteral("Script Editor [New Script]"));
    EXPECT_TRUE(ReportedErrors().isEmpty());
}

TEST_F(ScriptEditorTest, ClosingWithUnsavedChangesAsksFirst)
{
    Open();
    Add(Trigger, "000001");
    Dialogs->Answers = {QMessageBox::Cancel};
    Click("BitBtn1");
    EXPECT_TRUE(Editor->isVisible());
    EXPECT_EQ(Dialogs->Questions, QStringList({"Save Changes to New File?"}));

    Dialogs->Answers = {QMessageBox::No};
    Click("BitBtn1");
    EXPECT_FALSE(Editor->isVisible());
    EXPECT_EQ(Editor->result(), QDialog::Rejected);
    EXPECT_FALSE(Editor->Modified());
    EXPECT_TRUE(Dialogs->FileName.isEmpty()); // never asked for a file: nothing written
}

} // namespace
