// The anonymization windows driving the engine: the options saved and read
// back, Batch Anonymize with its questions, log and Cancel, Anonymize
// Selected Files, the "Attention!" warning and the main window's commands.
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <functional>

#include "app/anonymize_dialogs.h"
#include "app/anonymize_options_dialog.h"
#include "app/batch_export_dialogs.h"
#include "app/child_frame.h"
#include "app_test_support.h"
#include "dicom/dicom_file.h"
#include "dicom_bytes.h"
#include "document/kelvo_doc.h"
#include "settings/settings_keys.h"

using namespace veltor;
using veltor::testing::DicomBytes;
using namespace veltor::apptest;

namespace {

// Runs `handle` on the first modal window of type T that opens.
template <typename T> void whenModalOpens(std::function<void(T*)> handle) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, handle] {
        if (auto* w = qobject_cast<T*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            handle(w);
        }
    });
    timer->start();
}

// Answers every message box that opens with `button` and records its text,
// until the returned guard goes.
struct MessageAnswers {
    QTimer timer;
    QStringList texts;
    explicit MessageAnswers(QMessageBox::StandardButton button) {
        timer.setInterval(10);
        QObject::connect(&timer, &QTimer::timeout, [this, button] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                texts << box->text();
                QAbstractButton* b = box->button(button);
                if (b == nullptr) b = box->buttons().value(0);
                b->click();
            }
        });
        timer.start();
    }
};

// A small image file with a patient name, in `folder`.
QString writeDicom(const QString& folder, const QString& name,
                   const std::string& patient = "DOE^JOHN") {
    DicomBytes b;
    b.preamble("1.2.840.10008.1.2.1");
    b.element(0x0008, 0x0018, "UI",
              DicomBytes::padUid("1.2.826.0.1.3680043.10.1147.8." + std::to_string(name.size())));
    b.element(0x0010, 0x0010, "PN", DicomBytes::padText(patient));
    b.element(0x0010, 0x0020, "LO", "PID-0042");
    b.element(0x0028, 0x0002, "US", std::string("\x01\x00", 2));
    b.element(0x0028, 0x0004, "CS", "MONOCHROME2 ");
    b.element(0x0028, 0x0010, "US", std::string("\x02\x00", 2));
    b.element(0x0028, 0x0011, "US", std::string("\x02\x00", 2));
    b.element(0x0028, 0x0100, "US", std::string("\x08\x00", 2));
    b.element(0x0028, 0x0101, "US", std::string("\x08\x00", 2));
    b.element(0x0028, 0x0102, "US", std::string("\x07\x00", 2));
    b.element(0x7FE0, 0x0010, "OB", std::string("\x10\x20\x30\x40", 4));
    const QString path = folder + "/" + name;
    writeFile(path, std::string(reinterpret_cast<const char*>(b.bytes().data()), b.size()));
    return path;
}

// A file with the header values the file lists show: patient name, study
// ID, study date, modality and `frames` 2 x 2 frames.
QString writeListed(const QString& folder, const QString& name, const std::string& patient,
                    const std::string& studyId, const std::string& date, const std::string& modality,
                    int frames) {
    DicomBytes b;
    b.preamble("1.2.840.10008.1.2.1");
    b.element(0x0008, 0x0020, "DA", date);
    b.element(0x0008, 0x0060, "CS", DicomBytes::padText(modality));
    b.element(0x0010, 0x0010, "PN", DicomBytes::padText(patient));
    b.element(0x0020, 0x0010, "SH", DicomBytes::padText(studyId));
    b.element(0x0028, 0x0002, "US", std::string("\x01\x00", 2));
    b.element(0x0028, 0x0004, "CS", "MONOCHROME2 ");
    b.element(0x0028, 0x0008, "IS", DicomBytes::padText(std::to_string(frames)));
    b.element(0x0028, 0x0010, "US", std::string("\x02\x00", 2));
    b.element(0x0028, 0x0011, "US", std::string("\x02\x00", 2));
    b.element(0x0028, 0x0100, "US", std::string("\x08\x00", 2));
    b.element(0x0028, 0x0101, "US", std::string("\x08\x00", 2));
    b.element(0x0028, 0x0102, "US", std::string("\x07\x00", 2));
    b.element(0x7FE0, 0x0010, "OB", std::string(size_t(4 * frames), '\x40'));
    const QString path = folder + "/" + name;
    writeFile(path, std::string(reinterpret_cast<const char*>(b.bytes().data()), b.size()));
    return path;
}

// Each row of a file list as "patient|study ID|date|modality|frames", by file name.
QMap<QString, QString> listedRows(const QTreeWidget* list) {
    QMap<QString, QString> rows;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* row = list->topLevelItem(i);
        QStringList values;
        for (int c = 1; c <= 5; ++c) values << row->text(c);
        rows.insert(row->text(6), values.join('|'));
    }
    return rows;
}

QByteArray contents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QStringList filesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

} // namespace

class AnonymizeDialogsTest : public QObject {
    Q_OBJECT
  private slots:
    void optionsAreSavedAndReadBack() {
        QTemporaryDir dir;
        QSettingsStore settings((dir.path() + "/s.ini").toStdString());
        settings.writeInt(kAnonymizeSection, "PatientsPhone", 0);
        settings.writeInt(kAnonymizeSection, kAttentionKey, 0);
        {
            AnonymizeOptionsDialog d(settings);
            QCOMPARE(d.windowTitle(), QStringLiteral("Header information to delete"));
            QStringList columns;
            for (QGroupBox* g : d.findChildren<QGroupBox*>())
                columns << g->title();
            QVERIFY(columns.contains("Patient Information") &&
                    columns.contains("Study Information") && columns.contains("Other Information"));
            const int phone = anonymizedElementIndex(std::string_view("PatientsPhone"));
            QVERIFY(!d.elementBox(size_t(phone))->isChecked());
            QVERIFY(d.elementBox(0)->isChecked());
            QVERIFY(!d.attentionBox()->isChecked());
            QVERIFY(d.chosenFieldsButton()->isChecked());
            // Uncheck all: the 36 and the private names; the warnings stay.
            d.uncheckAllButton()->click();
            for (size_t i = 0; i < kAnonymizedElementCount; ++i)
                QVERIFY(!d.elementBox(i)->isChecked());
            QVERIFY(!d.privateTagsBox()->isChecked());
            QVERIFY(d.attention2Box()->isChecked());
            d.checkAllButton()->click();
            QVERIFY(d.elementBox(size_t(phone))->isChecked() && d.privateTagsBox()->isChecked());
            d.elementBox(1)->setChecked(false);
            // The profile greys the checked values out.
            d.profileButton()->setChecked(true);
            QVERIFY(!d.elementBox(0)->isEnabled());
            QVERIFY(d.uidRootEdit()->isEnabled());
            d.uidRootEdit()->setText("1.2.826.0.1.3680043.10.543");
            d.keepDatesBox()->setChecked(true);
            d.accept();
            QCOMPARE(d.result(), int(QDialog::Accepted));
        }
        const AnonymizeOptions stored = AnonymizeOptions::load(settings);
        QVERIFY(stored.profile());
        QCOMPARE(stored.uidRoot, std::string("1.2.826.0.1.3680043.10.543"));
        QVERIFY(stored.keepDates);
        QVERIFY(!stored.remove[1]);
        QVERIFY(stored.remove[size_t(anonymizedElementIndex(std::string_view("PatientsPhone")))]);
        {
            // Read back as saved; Cancel writes nothing.
            AnonymizeOptionsDialog d(settings);
            QVERIFY(d.profileButton()->isChecked());
            QCOMPARE(d.uidRootEdit()->text(), QStringLiteral("1.2.826.0.1.3680043.10.543"));
            QVERIFY(!d.elementBox(1)->isChecked());
            d.elementBox(1)->setChecked(true);
            d.chosenFieldsButton()->setChecked(true);
            d.reject();
        }
        QVERIFY(AnonymizeOptions::load(settings).profile());
        QVERIFY(!AnonymizeOptions::load(settings).remove[1]);
    }

    void anUnusableRootOrKeyKeepsTheOptionsOpen() {
        QTemporaryDir dir;
        QSettingsStore settings((dir.path() + "/s.ini").toStdString());
        AnonymizeOptionsDialog d(settings);
        d.profileButton()->setChecked(true);
        d.uidRootEdit()->setText("1.02.3");
        {
            MessageAnswers answers(QMessageBox::Ok);
            d.accept();
            QCOMPARE(answers.texts.size(), 1);
            QVERIFY(answers.texts[0].contains("is not a UID root"));
        }
        QVERIFY(d.result() != int(QDialog::Accepted));
        d.uidRootEdit()->clear();
        d.keyFileEdit()->setText(dir.path() + "/missing.key");
        {
            MessageAnswers answers(QMessageBox::Ok);
            d.accept();
            QVERIFY(answers.texts.value(0).contains("missing.key"));
        }
        QVERIFY(!AnonymizeOptions::load(settings).profile());
    }

    void batchAsksLogsAndCancelLeavesOnlyCompleteCopies() {
        QTemporaryDir dir;
        QSettingsStore settings((dir.path() + "/s.ini").toStdString());
        const QString tree = dir.path() + "/tree";
        QDir().mkpath(tree + "/sub");
        for (int i = 1; i <= 4; ++i)
            writeDicom(tree, QStringLiteral("ct%1.dcm").arg(i));
        writeDicom(tree + "/sub", "deep.dcm");
        writeFile(tree + "/notes.txt",
                  "not an image at all, long enough to be looked at by the walk........");
        BatchAnonymizeDialog d(settings);
        QCOMPARE(d.windowTitle(), QStringLiteral("Batch Anonymize"));
        d.directory()->setText(tree + "/");
        d.overwritePrompt()->setChecked(false);
        // Cancel in the progress window after the second file.
        int done = 0;
        connect(&d, &AnonymizeRunWindow::fileDone, &d, [&](int n, int total) {
            done = n;
            QCOMPARE(total, 5);
            QVERIFY(d.running());
            if (n == 2) d.progress()->cancel();
        });
        d.anonymize();
        QCOMPARE(done, 2);
        QVERIFY(!d.running());
        QStringList copies;
        for (const QString& name : filesIn(tree) + filesIn(tree + "/sub"))
            if (name.contains("_anon")) copies << name;
        QCOMPARE(copies.size(), 2);
        QCOMPARE(filesIn(tree).filter(".veltor-anon-").size(), 0);
        QCOMPARE(d.log()->toPlainText().split('\n', Qt::SkipEmptyParts).size(), 2);
        for (const QString& name : copies) {
            const QString copy =
                QFileInfo::exists(tree + "/" + name) ? tree + "/" + name : tree + "/sub/" + name;
            const QString source =
                QFileInfo(copy).path() + "/" + QString(name).replace("_anon", "");
            QCOMPARE(QFileInfo(copy).size(), QFileInfo(source).size());
            DicomFile parsed;
            QVERIFY(parsed.openFile(copy.toLocal8Bit().constData(), false));
            QVERIFY(!contents(copy).contains("DOE^JOHN"));
        }

        // Again with the overwrite prompt: an existing copy is asked about;
        // No keeps it.
        for (const QString& name : copies) {
            QFile::remove(tree + "/" + name);
            QFile::remove(tree + "/sub/" + name);
        }
        writeFile(tree + "/ct1_anon.dcm", "keep me");
        d.overwritePrompt()->setChecked(true);
        disconnect(&d, &AnonymizeRunWindow::fileDone, &d, nullptr);
        {
            MessageAnswers answers(QMessageBox::No);
            d.anonymize();
            QCOMPARE(answers.texts,
                     QStringList{QString("File %1 exists! \nOverwrite existing file?")
                                     .arg(tree + "/ct1_anon.dcm")});
        }
        QCOMPARE(contents(tree + "/ct1_anon.dcm"), QByteArray("keep me"));
        // The log names each written source, a line each.
        QCOMPARE(d.log()->toPlainText().split('\n', Qt::SkipEmptyParts).size(), 4);
        QVERIFY(d.log()->toPlainText().contains(tree + "/ct2.dcm\n"));
    }

    void batchRefusalsAreTheExactTexts() {
        QTemporaryDir dir;
        QSettingsStore settings((dir.path() + "/s.ini").toStdString());
        BatchAnonymizeDialog d(settings);
        QDir().mkpath(dir.path() + "/empty");
        for (const auto& [folder, text] :
             {std::pair<QString, QString>{dir.path() + "/empty/", "Nothing to do      "},
              {dir.path() + "/none/", "Invalid Directory      "}}) {
            d.directory()->setText(folder);
            MessageAnswers answers(QMessageBox::Ok);
            d.anonymize();
            QCOMPARE(answers.texts, QStringList{text});
        }
    }

    void profileRunsLogWhatChangedAndAMissingKeyWritesNothing() {
        QTemporaryDir dir;
        QSettingsStore settings((dir.path() + "/s.ini").toStdString());
        const QString tree = dir.path() + "/tree";
        QDir().mkpath(tree);
        writeDicom(tree, "a.dcm");
        AnonymizeOptions options;
        options.mode = AnonymizeMode::BasicProfile;
        options.keyFile = (dir.path() + "/missing.key").toStdString();
        options.save(settings);
        BatchAnonymizeDialog d(settings);
        d.directory()->setText(tree);
        {
            MessageAnswers answers(QMessageBox::Ok);
            d.anonymize();
            QCOMPARE(answers.texts.size(), 1);
            QVERIFY(answers.texts[0].startsWith("De-identification cannot start: key file"));
        }
        QCOMPARE(filesIn(tree), QStringList{"a.dcm"});
        writeFile(dir.path() + "/missing.key", "now it exists");
        d.anonymize();
        QCOMPARE(filesIn(tree), (QStringList{"a.dcm", "a_anon.dcm"}));
        QVERIFY(d.log()->toPlainText().contains("a.dcm  ("));
        QVERIFY(d.log()->toPlainText().contains("1 UID replaced"));
        QVERIFY(!d.log()->toPlainText().contains("DOE"));
    }

    void selectionListsShowTheHeaderColumns() {
        QTemporaryDir dir;
        QSettingsStore settings((dir.path() + "/s.ini").toStdString());
        const QString scan = dir.path() + "/scan";
        QDir().mkpath(scan);
        writeListed(scan, "ct.dcm", "ROE^JANE", "S17", "20240131", "CT", 1);
        writeListed(scan, "cine.dcm", "POE^EDGAR", "7", "19991231", "XA", 3);
        writeFile(scan + "/notes.txt", std::string(300, 'n'));
        settings::setCurrentWorkingDirectory(settings, (scan + "/").toStdString());
        const QMap<QString, QString> expected{{"ct.dcm", "ROE^JANE|S17|20240131|CT|1"},
                                              {"cine.dcm", "POE^EDGAR|7|19991231|XA|3"}};
        const QStringList headers{"Icon", "Patient Name", "ID", "Study Date", "Modality", "Frames", "File Name"};
        AnonymizeSelectedDialog anonymize(settings);
        for (int c = 0; c < headers.size(); ++c) QCOMPARE(anonymize.fileList()->headerItem()->text(c), headers[c]);
        QCOMPARE(listedRows(anonymize.fileList()), expected);
        QVERIFY(!anonymize.fileList()->topLevelItem(0)->icon(0).isNull()); // "Load Icons" is on
        ExportSelectedDialog exportSelected(settings, false);
        exportSelected.scan(scan);
        QCOMPARE(listedRows(exportSelected.fileList()), expected);
        QCOMPARE(exportSelected.fileList()->columnCount(), headers.size());
    }

    void selectedFilesGoToTheExportFolder() {
        QTemporaryDir dir;
        QSettingsStore settings((dir.path() + "/s.ini").toStdString());
        const QString scan = dir.path() + "/scan";
        QDir().mkpath(scan + "/sub");
        writeDicom(scan, "one.dcm");
        writeDicom(scan, "two.dcm");
        writeDicom(scan + "/sub", "three.dcm");
        settings::setCurrentWorkingDirectory(settings, (scan + "/").toStdString());
        AnonymizeSelectedDialog d(settings);
        QCOMPARE(d.windowTitle(), QStringLiteral("Anonymize Selected Files"));
        QCOMPARE(d.fileList()->topLevelItemCount(), 3); // scanned at start, subfolders included
        d.searchSubdirectories()->setChecked(false);
        QCOMPARE(d.fileList()->topLevelItemCount(), 2);
        d.searchSubdirectories()->setChecked(true);
        QVERIFY(!d.anonymizeButton()->isEnabled());
        QVERIFY(d.anonymizeAllButton()->isEnabled());
        d.show();
        QTreeWidgetItem* first = d.fileList()->topLevelItem(0);
        const QRect r = d.fileList()->visualItemRect(first);
        QTest::mouseClick(d.fileList()->viewport(), Qt::LeftButton, {}, r.center());
        QCOMPARE(d.statusLine()->text(), first->data(0, Qt::UserRole).toString());
        QVERIFY(d.anonymizeButton()->isEnabled());
        d.exportDirectory()->setEditText("");
        {
            MessageAnswers answers(QMessageBox::Ok);
            d.anonymizeRows(false);
            QCOMPARE(answers.texts, QStringList{"Please select an export directory   "});
        }
        const QString out = dir.path() + "/out";
        QDir().mkpath(out);
        d.exportDirectory()->setEditText(out);
        d.anonymizeRows(false);
        QCOMPARE(filesIn(out).size(), 1);
        d.useSuffix()->setChecked(false);
        d.anonymizeRows(true);
        QStringList expected{"one.dcm", "three.dcm", "two.dcm",
                             QFileInfo(first->text(6)).completeBaseName() + "_anon.dcm"};
        expected.sort();
        QCOMPARE(filesIn(out), expected);
        QVERIFY(!contents(out + "/three.dcm").contains("DOE^JOHN"));
        QCOMPARE(settings::batchExportDirectory(settings), (out + "/").toStdString());
    }

    void mainWindowCommands() {
        MainWindowUnderTest fixture;
        auto& [dir, settings, options, w] = fixture;
        QStringList texts;
        for (QAction* a : w.findChildren<QAction*>())
            texts << a->text();
        for (const char* t :
             {"&Anonymize current file...", "&Batch Anonymize...", "&Anonymize selected files...",
              "Anonymizing &Options...", "&Anonymized copies and exports"})
            QVERIFY2(texts.contains(t), t);
        QAction* exports = actionNamed(w, "&Anonymized copies and exports");
        QAction* current = actionNamed(w, "&Anonymize current file...");
        QVERIFY(!current->isEnabled());
        // Without a document the command flips the stored choice.
        QVERIFY(exports->isChecked());
        exports->trigger();
        QVERIFY(!options.anonExports() && !exports->isChecked());
        exports->trigger();
        QVERIFY(options.anonExports());

        const QString path = writeDicom(dir.path(), "ct.dcm");
        const QByteArray source = contents(path);
        QVERIFY(w.openFile(path));
        QVERIFY(current->isEnabled());
        CKelvoDoc& doc = w.activeChild()->document();
        exports->trigger();
        QVERIFY(!doc.anonymizeExports() && !options.anonExports() && !exports->isChecked());
        exports->trigger();
        QVERIFY(doc.anonymizeExports());

        // A kept critical field: the copy, then "Attention!"; its box turns
        // the warning off for good.
        settings.writeInt(kAnonymizeSection, "PatientsName", 0);
        whenModalOpens<AttentionDialog>([](AttentionDialog* a) {
            QCOMPARE(a->windowTitle(), QStringLiteral("Attention!"));
            a->dontShowBox()->setChecked(true);
            a->accept();
        });
        QVERIFY(w.anonymizeCurrentFileTo(dir.path() + "/copy.dcm"));
        QCOMPARE(settings.readInt(kAnonymizeSection, kAttentionKey, 1), 0);
        QCOMPARE(QFileInfo(dir.path() + "/copy.dcm").size(), QFileInfo(path).size());
        QVERIFY(contents(dir.path() + "/copy.dcm").contains("DOE^JOHN"));
        QVERIFY(!contents(dir.path() + "/copy.dcm").contains("PID-0042"));
        QCOMPARE(contents(path), source);
        // A target that cannot be written: the message, and no copy.
        {
            MessageAnswers answers(QMessageBox::Ok);
            QVERIFY(!w.anonymizeCurrentFileTo(dir.path() + "/no/such/folder/copy.dcm"));
            QCOMPARE(answers.texts.size(), 1);
            QVERIFY(answers.texts[0].endsWith("    \n File not created!"));
        }
    }
};

QTEST_MAIN(AnonymizeDialogsTest)
#include "test_anonymize_dialogs.moc"
