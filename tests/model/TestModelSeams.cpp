#include "TestRegistry.h"
#include "model/LVXObject.h"
#include "model/ProjectWindow.h"
#include "model/Prompter.h"

#include <QMessageBox>
#include <QtTest>

namespace {

// Records what the model asks of the window and answers from a script.
class FakeWindow : public ProjectWindow {
public:
    QString AskSaveFileName(const QString& caption, const QString& filter, const QString& proposal) override
    {
        asked << caption + "|" + filter + "|" + proposal;
        return answer;
    }
    QStringList asked;
    QString answer;
};

class Record : public LVXObject {
public:
    Record() : LVXObject("Snake1") { }
    FileTypes GetFileTypes() const override { return {{".acr"}, "Lumivox Active contours (*.acr)"}; }
};

} // namespace

// The seams through which the object model reaches the window, tested without one.
class TestModelSeams : public QObject {
    Q_OBJECT

private slots:
    void chooseFileAsksTheWindow_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("chosen");
        QTest::addColumn<QString>("name");
        QTest::newRow("answered") << "/out/cells.acr" << true << "cells.acr";
        QTest::newRow("cancelled") << "" << false << "Snake1";
    }

    void chooseFileAsksTheWindow()
    {
        QFETCH(QString, answer);
        QFETCH(bool, chosen);
        QFETCH(QString, name);
        FakeWindow window;
        ProjectWindow::SetCurrent(&window);
        window.answer = answer;
        Record record;
        record.SetFile(QFileInfo("/old/a.acr"));
        QCOMPARE(record.ChooseFile(), chosen);
        ProjectWindow::SetCurrent(nullptr);
        QCOMPARE(window.asked, QStringList{"Save|Lumivox Active contours (*.acr)|Snake1"});
        QCOMPARE(record.GetName(), name);
        QCOMPARE(record.GetFile().filePath(), chosen ? answer : QString("/old/a.acr"));
    }

    // Without an installed prompter every question is answered as a closed dialog would be.
    void promptsWithoutWindowAnswerLikeAClosedDialog_data()
    {
        QTest::addColumn<int>("buttons");
        QTest::addColumn<int>("answer");
        QTest::newRow("save, discard, cancel")
            << int(QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel) << int(QMessageBox::Cancel);
        QTest::newRow("ok alone") << int(QMessageBox::Ok) << int(QMessageBox::Ok);
        QTest::newRow("yes, no") << int(QMessageBox::Yes | QMessageBox::No) << int(QMessageBox::No);
        QTest::newRow("yes, help") << int(QMessageBox::Yes | QMessageBox::Help) << int(QMessageBox::NoButton);
    }

    void promptsWithoutWindowAnswerLikeAClosedDialog()
    {
        QFETCH(int, buttons);
        QFETCH(int, answer);
        Prompter& prompter = Prompter::Current();
        QCOMPARE(prompter.Question(nullptr, "Save changes?", "?", buttons), answer);
        QCOMPARE(prompter.GetSaveFileName(nullptr, "Save", "/tmp", "*.acr"), QString());
        QCOMPARE(prompter.Exec(nullptr), 0);
    }

    void typedNamesGetTheChosenExtension_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("completed");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("bare name") << "/d/cells"
                                   << "STL ascii (*.stl)"
                                   << "/d/cells.stl" << true;
        QTest::newRow("own extension kept") << "/d/cells.acr"
                                            << "STL ascii (*.stl)"
                                            << "/d/cells.acr" << true;
        QTest::newRow("unlisted extension") << "/d/cells.txt"
                                            << "STL ascii (*.stl)"
                                            << "/d/cells.txt" << false;
        QTest::newRow("filter without pattern") << "/d/cells"
                                                << "All files"
                                                << "/d/cells" << false;
        QTest::newRow("dotted folder") << "/d.v2/cells"
                                       << "Lumivox Active contours (*.acr)"
                                       << "/d.v2/cells.acr" << true;
    }

    void typedNamesGetTheChosenExtension()
    {
        QFETCH(QString, path);
        QFETCH(QString, filter);
        QFETCH(QString, completed);
        QFETCH(bool, accepted);
        QCOMPARE(FileTypes::CompleteSuffix(path, filter), completed);
        const FileTypes types{{".acr", ".stl"}, "Lumivox Active contours (*.acr);;STL ascii (*.stl)"};
        QCOMPARE(types.Accepts(completed), accepted);
    }
};

LUMIVOX_REGISTER_TEST(TestModelSeams)
#include "TestModelSeams.moc"
