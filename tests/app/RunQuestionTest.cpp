// The operator's long operations during a run: a channel 9 transfer or a
// paradigm load started from the main window holds the run's instructions
// up, so the window asks first. A script's own load does not ask.
#include "SchedulerFixture.h"
#include "model/ParadigmFile.h"

namespace {

class RunQuestionTest : public SchedulerFixture {
protected:
    const QString Question =
        QStringLiteral("A script is running. Its instructions will wait until this operation ends. Go on?");

    int QuestionsAsked() const { return int(Dialogs->Questions.count(Question)); }
};

TEST_F(RunQuestionTest, ATransferOrALoadFromTheMenuAsksWhileARunIsActive)
{
    StartWindows();
    const QString paradigm = FFiles.filePath(QStringLiteral("p.kr9"));
    WriteAll(paradigm, ParadigmFile::Text(Main->Paradigm()));
    const QList<QAction*> operations = {Ui.LoadParadigm1(), Ui.menuSaveCSVFile(), Ui.menuLoadCSVFile()};
    // No run: the operations start at once (the file dialogs are cancelled).
    for (QAction* operation : operations)
        operation->trigger();
    EXPECT_EQ(QuestionsAsked(), 0);

    Activate("00:00:00:Load Paradigm " + paradigm.toUtf8() + "\r\n00:10:00:Trigger Channel 1\r\n");
    ASSERT_TRUE(ElapseUntil([&] { return Run().CurrentIndex() == 1; }));
    EXPECT_EQ(QuestionsAsked(), 0) << "a script's own load does not ask";
    EXPECT_TRUE(LogLines().value(1).endsWith(QStringLiteral(",loaded")));

    ClearWire();
    for (QAction* operation : operations) {
        Dialogs->LastOptions = {};
        Dialogs->Answers = {QMessageBox::No};
        operation->trigger();
        EXPECT_TRUE(Dialogs->LastOptions.caption.isEmpty()) << "No: no file dialog, " << operation->text().toStdString();
        ASSERT_FALSE(Dialogs->Asked.isEmpty());
        const TScriptedDialogs::TQuestion asked = Dialogs->Asked.last();
        EXPECT_EQ(asked.text, Question);
        EXPECT_EQ(asked.buttons, QMessageBox::Yes | QMessageBox::No);
        EXPECT_EQ(asked.icon, QMessageBox::Warning);
        EXPECT_EQ(asked.defaultButton, QMessageBox::No);

        Dialogs->Answers = {QMessageBox::Yes};
        operation->trigger();
        EXPECT_FALSE(Dialogs->LastOptions.caption.isEmpty()) << "Yes: on to the file, " << operation->text().toStdString();
    }
    EXPECT_EQ(QuestionsAsked(), 6);
    Settle();
    EXPECT_TRUE(Wire().empty()) << "No sends nothing, nor a cancelled file dialog";

    // Yes: the operation goes on as without a run.
    Dialogs->FileName = paradigm;
    Ui.LoadParadigm1()->trigger();
    EXPECT_TRUE(WaitForWire(1));

    QTest::mouseClick(InScheduler<QPushButton>("btnScheduler"), Qt::LeftButton);
    Ui.LoadParadigm1()->trigger();
    EXPECT_EQ(QuestionsAsked(), 7);
}

} // namespace
