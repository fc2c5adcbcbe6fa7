// The open dialog: which files it lists with which description and size, and the listing's
// behaviour when the user clicks another folder, cancels or opens.
#include "app/dialogs/frmopendialog.h"
#include "app/dialogs/statfilecheck.h"
#include "app/driver/mainform.h"
#include "app/layout/standardwindow.h"
#include "app/driver/pipeline.h"
#include "app/runtime/showmessage.h"
#include "app/runtime/messagetable.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

namespace {

constexpr int Patience = 120000; // a hang shows as a failure long before CTest's timeout

QString samples()
{
    return qEnvironmentVariable("CHOREL_SAMPLES");
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(path));
    return file.readAll();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(path));
    file.write(bytes);
}

QByteArray sampleCube()
{
    return readAll(samples() + QStringLiteral("/TQ-files/nc_births_74.tq"));
}

// The cube file with a second multi-valued variable besides the region variable.
QByteArray twoMultiValued()
{
    QByteArray cube = sampleCube();
    cube.replace("DATA=", "VALUES(\"sex\")=\"male\",\"female\";\r\nDATA=");
    return cube;
}

// Lets the event loop turn until the listing has found its first files: each turn fires a
// timer at most once, so a listing of many steps is still running then.
void untilFirstRows(frmOpenDialog &dialog)
{
    for (int turn = 0; turn < 100000 && dialog.lsvData->topLevelItemCount() == 0; ++turn)
        QCoreApplication::processEvents();
}

// The rows of a list: description, name, date, size.
QList<QStringList> rowsOf(const QTreeWidget *list)
{
    QList<QStringList> rows;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *row = list->topLevelItem(i);
        rows.append({row->text(0), row->text(1), row->text(2), row->text(3)});
    }
    return rows;
}

} // namespace

class TestOpenDialog : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QList<QPair<QString, QString>> m_shown; // caption, text

    QString path(const QString &name) const { return m_dir.filePath(name); }

    // A folder holding the named files.
    QString folderWith(const QString &name, const QHash<QString, QByteArray> &files)
    {
        const QString folder = path(name);
        QDir().mkpath(folder);
        for (auto it = files.begin(); it != files.end(); ++it)
            writeFile(folder + u'/' + it.key(), it.value());
        return folder;
    }

    // Shows a dialog starting in folder and waits until the folder is listed.
    std::unique_ptr<frmOpenDialog> openIn(const QString &folder)
    {
        auto dialog = std::make_unique<frmOpenDialog>();
        dialog->ApplyLanguage();
        dialog->setStartFolder(folder);
        dialog->show();
        [&] { QTRY_VERIFY_WITH_TIMEOUT(!dialog->Startup.isActive() && !dialog->busy(), Patience); }();
        return dialog;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        SetDefaultTexts();
        SetMessageBoxFunction([this](const QString &caption, int, const QString &text) {
            m_shown.append({caption, text});
        });
    }

    void init() { m_shown.clear(); }

    void sizeColumn_data()
    {
        QTest::addColumn<qint64>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << qint64(0) << "0KB";
        QTest::newRow("500 bytes") << qint64(500) << "1KB";
        QTest::newRow("1023 bytes") << qint64(1023) << "1KB";
        QTest::newRow("1536 bytes, half to even") << qint64(1536) << "2KB";
        QTest::newRow("2560 bytes, half to even") << qint64(2560) << "2KB";
        QTest::newRow("3584 bytes, half to even") << qint64(3584) << "4KB";
        QTest::newRow("beyond 32 bits") << qint64(5) * 1024 * 1024 * 1024 << "5242880KB";
    }

    void sizeColumn()
    {
        QFETCH(qint64, bytes);
        QFETCH(QString, text);
        QCOMPARE(statfile::SizeText(bytes), text);
    }

    // Which files are listed, with which description.
    void fileCheck_data()
    {
        QTest::addColumn<QString>("extension");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("listed");
        QTest::addColumn<QString>("description");
        const QByteArray cube = sampleCube();
        QByteArray titleOnly = cube;
        titleOnly.replace("DESCRIPTION=", "REMARK=");
        QByteArray neither = titleOnly;
        neither.replace("TITLE=", "HEADLINE=");
        QByteArray noMap = cube;
        noMap.replace("MAP(", "PAM(");
        QByteArray lfOnly = cube;
        lfOnly.replace("\r\n", "\n");
        QTest::newRow("cube with description")
            << "tq" << cube << true
            << "Births and sudden infant deaths by county, North Carolina 1974-78";
        QTest::newRow("cube with LF line ends")
            << "tq" << lfOnly << true
            << "Births and sudden infant deaths by county, North Carolina 1974-78";
        QTest::newRow("cube with title only")
            << "tq" << titleOnly << true
            << "Live births and sudden infant deaths by county and contents, ";
        QTest::newRow("cube without description and title") << "tq" << neither << true << "";
        QTest::newRow("cube with two multi-valued variables")
            << "tq" << twoMultiValued() << false << "";
        QTest::newRow("cube without MAP statement") << "tq" << noMap << false << "";
        QTest::newRow("empty cube file") << "tq" << QByteArray() << false << "";
        QTest::newRow("semicolon file naming its map")
            << "sdv" << QByteArray("X.INI\r\nREGION;Value;\r\n01;4;\r\n") << true << "";
        QTest::newRow("text file without a map")
            << "txt" << QByteArray("REGION;Value;\r\n01;4;\r\n") << false << "";
        QTest::newRow("option file")
            << "tqo" << QByteArray("[DATA]\r\nSource=a.tq\r\nGeo=NC.INI\r\n") << true
            << "Chorel option file";
    }

    void fileCheck()
    {
        QFETCH(QString, extension);
        QFETCH(QByteArray, content);
        QFETCH(bool, listed);
        QFETCH(QString, description);
        const QString file = path(QStringLiteral("check.") + extension);
        writeFile(file, content);
        const std::optional<QString> found =
            statfile::Describe(file, extension, QStringLiteral("Chorel option file"));
        QCOMPARE(found.has_value(), listed);
        if (listed)
            QCOMPARE(*found, description);
        QVERIFY(!statfile::Describe(path("no such file.tq"), "tq", QString()));
    }

    // A cube file far larger than the head that is read keeps its description; its header
    // read through the head is cut before the data.
    void largeCubeReadsOnlyTheHead()
    {
        QByteArray cube = sampleCube();
        QByteArray data(statfile::HeadLimit + 1024 * 1024, '7');
        for (qsizetype i = 79; i < data.size(); i += 80)
            data[i] = '\n';
        cube += data;
        const QString file = path(QStringLiteral("large.tq"));
        writeFile(file, cube);
        const std::optional<QString> head = statfile::ReadHead(file);
        QVERIFY(head);
        QVERIFY(head->endsWith(QStringLiteral("(spData, CC0)\";\r\n")));
        QCOMPARE(statfile::Describe(file, "tq", QString()),
                 QString("Births and sudden infant deaths by county, North Carolina 1974-78"));
        // a header that the limit cuts within a statement loses only that statement
        const std::optional<QString> cut = statfile::ReadHead(file, 1000);
        QVERIFY(cut);
        QVERIFY(cut->endsWith(QStringLiteral(";\r\n")));
        QVERIFY(cut->size() < 1000);
    }

    // The samples folder with descriptions, names, dates and sizes; other files are skipped.
    void listsTheSampleFiles()
    {
        const QString folder = path(QStringLiteral("samples"));
        QDir().mkpath(folder);
        for (const QString &name : QDir(samples() + QStringLiteral("/TQ-files")).entryList(QDir::Files))
            QVERIFY(QFile::copy(samples() + QStringLiteral("/TQ-files/") + name,
                                folder + u'/' + name));
        writeFile(folder + QStringLiteral("/two variables.tq"), twoMultiValued());
        writeFile(folder + QStringLiteral("/notes.txt"), "nothing to map\r\n");
        writeFile(folder + QStringLiteral("/picture.png"), "\x89PNG");
        writeFile(folder + QStringLiteral("/saved.tqo"), "[DATA]\r\nSource=nc_births_74.tq\r\nGeo=NC.INI\r\n");
        QDir().mkpath(folder + QStringLiteral("/sub.tq"));

        const auto dialog = openIn(folder);
        QCOMPARE(dialog->lblPath->text(), folder);
        const QList<QStringList> rows = rowsOf(dialog->lsvData);
        QCOMPARE(rows.size(), 5);
        const QString date = QFileInfo(folder + QStringLiteral("/saved.tqo"))
                                 .lastModified()
                                 .toString(QStringLiteral("dd.MM.yy hh:mm"));
        // sorted by name to begin with
        QCOMPARE(rows.at(0), (QStringList{"Births and sudden infant deaths by county, North Carolina 1974-78",
                                          "nc_births_74.tq", rows.at(0).at(2), "4KB"}));
        QCOMPARE(rows.at(1).at(1), QString("nc_births_79.tq"));
        QCOMPARE(rows.at(2), (QStringList{"Population and leukaemia cases by census tract, upstate New York",
                                          "ny_leukaemia.tq", rows.at(2).at(2), "13KB"}));
        QCOMPARE(rows.at(3), (QStringList{"Chorel option file", "saved.tqo", date, "1KB"}));
        QCOMPARE(rows.at(4), (QStringList{"", "world_2014.sdv", rows.at(4).at(2), "4KB"}));
        QCOMPARE(dialog->panel("NumFiles")->text(), QString("Number of files 5"));
        QVERIFY(dialog->lsvData->isVisible());
        QCOMPARE(dialog->cursor().shape(), Qt::ArrowCursor);

        // "Description" sorts ascending, a second click descending; "Size" does nothing
        QHeaderView *header = dialog->lsvData->header();
        emit header->sectionClicked(0);
        QCOMPARE(dialog->lsvData->topLevelItem(0)->text(1), QString("world_2014.sdv"));
        emit header->sectionClicked(0);
        QCOMPARE(dialog->lsvData->topLevelItem(0)->text(1), QString("ny_leukaemia.tq"));
        emit header->sectionClicked(3);
        QCOMPARE(dialog->lsvData->topLevelItem(0)->text(1), QString("ny_leukaemia.tq"));
    }

    // Open needs a chosen row; the chosen file's full path is handed back.
    void openTakesTheCurrentRow()
    {
        const QString folder = folderWith(QStringLiteral("open"), {{"a.tq", sampleCube()},
                                                                   {"b.tq", sampleCube()}});
        const auto dialog = openIn(folder);
        QCOMPARE(dialog->lsvData->topLevelItemCount(), 2);
        dialog->lsvData->setCurrentItem(nullptr);
        dialog->cmdOpen->click();
        QVERIFY(dialog->isVisible());
        QVERIFY(dialog->chosenFile().isEmpty());

        dialog->lsvData->setCurrentItem(dialog->lsvData->topLevelItem(1));
        QCOMPARE(dialog->panel("ActiveFile")->text(), folder + QStringLiteral("/b.tq"));
        QTest::keyClick(dialog->lsvData, Qt::Key_Return);
        QCOMPARE(dialog->result(), int(QDialog::Accepted));
        QCOMPARE(dialog->chosenFile(), folder + QStringLiteral("/b.tq"));
    }

    // Clicking another folder while a large one is listed closes that listing and lists the
    // new folder only; Cancel while listing stops at once and gives the pointer back.
    void anotherFolderOrCancelWhileListing()
    {
        QHash<QString, QByteArray> many;
        for (int i = 0; i < 30 * FolderLister::EntriesPerStep; ++i)
            many.insert(QStringLiteral("file%1.tq").arg(i, 3, 10, QChar(u'0')), sampleCube());
        const QString big = folderWith(QStringLiteral("parent/big"), many);
        const QString small = folderWith(QStringLiteral("parent/small"), {{"one.tq", sampleCube()}});

        const auto dialog = openIn(small);
        dialog->ListFolder(big);
        untilFirstRows(*dialog);
        QVERIFY(dialog->busy());
        QVERIFY(dialog->lsvBack->isVisible());
        QTreeWidgetItem *smallNode = dialog->tvDir->currentItem();
        QCOMPARE(smallNode->text(0), QString("small"));
        // A deep temporary folder puts the node right of and below the tree's visible part.
        dialog->tvDir->setMinimumWidth(dialog->tvDir->visualItemRect(smallNode).right() + 40);
        QApplication::processEvents();
        dialog->tvDir->scrollToItem(smallNode);
        QTest::mouseClick(dialog->tvDir->viewport(), Qt::LeftButton, {},
                          dialog->tvDir->visualItemRect(smallNode).center());
        QTRY_VERIFY_WITH_TIMEOUT(!dialog->busy(), Patience);
        QCOMPARE(dialog->lblPath->text(), small);
        QCOMPARE(rowsOf(dialog->lsvData).size(), 1);
        QCOMPARE(dialog->panel("NumFiles")->text(), QString("Number of files 1"));

        dialog->ListFolder(big);
        untilFirstRows(*dialog);
        QVERIFY(dialog->busy());
        dialog->cmdCancel->click();
        QVERIFY(!dialog->busy());
        QVERIFY(!dialog->isVisible());
        QCOMPARE(dialog->result(), int(QDialog::Rejected));
        QVERIFY(dialog->chosenFile().isEmpty());
        QCOMPARE(dialog->cursor().shape(), Qt::ArrowCursor);
        // nothing runs on behind the closed dialog
        const int rows = dialog->lsvData->topLevelItemCount();
        QTest::qWait(50);
        QCOMPARE(dialog->lsvData->topLevelItemCount(), rows);
    }

    // File, Open shows the dialog in the folder of the last file opened; the chosen file
    // starts the pipeline, Cancel leaves everything as it was.
    void fileOpenUsesTheDialog()
    {
        const QString folder = folderWith(QStringLiteral("menu"), {{"a.tq", sampleCube()},
                                                                   {"b.tq", sampleCube()}});
        qputenv("CHOREL_HOME", m_dir.path().toLocal8Bit());
        qputenv("TMPDIR", m_dir.path().toLocal8Bit());
        QDir::setCurrent(folder);
        MainForm form(ParseCommandLine({}), StandardWindowParts());
        form.Load();
        for (const bool open : {true, false}) {
            QTimer::singleShot(0, this, [open] {
                auto *dialog = qobject_cast<frmOpenDialog *>(QApplication::activeModalWidget());
                QVERIFY(dialog);
                for (int turn = 0; turn < 100000 && (dialog->Startup.isActive() || dialog->busy());
                     ++turn)
                    QCoreApplication::processEvents();
                QCOMPARE(dialog->lsvData->topLevelItemCount(), 2);
                if (!open) {
                    dialog->cmdCancel->click();
                    return;
                }
                dialog->lsvData->setCurrentItem(dialog->lsvData->topLevelItem(0));
                dialog->cmdOpen->click();
            });
            form.tmStart().stop();
            mnuOpen(form);
            // A cancelled choice keeps the file opened before.
            QCOMPARE(form.state().DataFile, folder + QStringLiteral("/a.tq"));
            QCOMPARE(form.tmStart().isActive(), open);
        }
        form.tmStart().stop();
    }

    // A drive that cannot be read is reported and the drive list keeps the current drive.
    void unavailableDrive()
    {
        const QString folder = folderWith(QStringLiteral("drive"), {{"a.tq", sampleCube()}});
        const auto dialog = openIn(folder);
        const QString root = dialog->currentRoot();
        const QString gone = path(QStringLiteral("unplugged"));
        dialog->dlbDrive->addItem(gone, gone);
        emit dialog->dlbDrive->activated(dialog->dlbDrive->count() - 1);
        QCOMPARE(m_shown.size(), 1);
        QCOMPARE(m_shown.at(0).first, QString("Chorel OpenDialog"));
        QCOMPARE(m_shown.at(0).second, gone + QStringLiteral(" is unavailable"));
        QCOMPARE(dialog->currentRoot(), root);
        QCOMPARE(dialog->dlbDrive->currentData().toString(), root);
    }

    // The tree reads a folder's subfolders when it is expanded.
    void treeFollowsTheStartFolder()
    {
        const QString folder = folderWith(QStringLiteral("tree/a/b"), {});
        QDir().mkpath(path(QStringLiteral("tree/a/c")));
        const auto dialog = openIn(folder);
        QTreeWidgetItem *node = dialog->tvDir->currentItem();
        QCOMPARE(node->data(0, Qt::UserRole).toString(), folder);
        QTreeWidgetItem *parent = node->parent();
        QCOMPARE(parent->childCount(), 2);
        QCOMPARE(parent->child(1)->text(0), QString("c"));
        QVERIFY(parent->isExpanded());
        QCOMPARE(parent->child(1)->childCount(), 0);
        QCOMPARE(dialog->panel("NumFiles")->text(), QString("Number of files 0"));
    }
};

QTEST_MAIN(TestOpenDialog)
#include "tst_opendialog.moc"
