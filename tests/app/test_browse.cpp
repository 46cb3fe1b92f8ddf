// The navigation bar, the Search window, the preview open dialog and
// documents made of several files. With VELTOR_SCREENSHOTS set to a folder,
// the Search window and the open dialog are saved there as pictures.
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include "app/child_frame.h"
#include "app/file_list_dialog.h"
#include "app/folder_tree.h"
#include "app/image_view.h"
#include "app/mc_file_dialog.h"
#include "app/open_multiple_dialog.h"
#include "app/open_url_dialog.h"
#include "app/sort_frames_dialog.h"
#include "app_test_support.h"
#include "browse/recent_urls.h"
#include "document/kelvo_doc.h"
#include "document/series_grouping.h"
#include "settings/settings_keys.h"

using namespace veltor;
using namespace veltor::apptest;

namespace {

void saveShot(QWidget& w, const char* name) {
    const QByteArray folder = qgetenv("VELTOR_SCREENSHOTS");
    if (!folder.isEmpty())
        w.grab().save(QString::fromLocal8Bit(folder) + QLatin1Char('/') + QLatin1String(name));
}

// IM1, IM2 and IM10 (copies of the sample CT slice) and a text file.
QString makeSeries(const QTemporaryDir& dir) {
    const QString folder = dir.path() + QStringLiteral("/series");
    QDir().mkpath(folder);
    for (const char* name : {"IM10", "IM2", "IM1"})
        QFile::copy(QStringLiteral(VELTOR_SAMPLE_FILE), folder + "/" + name);
    writeFile(folder + "/notes.txt", std::string(400, 'n'));
    return folder;
}

// Every group of a scan with its label and its files' paths, in order.
QStringList scanSummary(const SeriesScanner& scanner) {
    QStringList out;
    for (size_t g = 0; g < scanner.groups().size(); ++g) {
        out << QString::fromStdString(scanner.groups()[g].label);
        for (const FileRef& ref : scanner.groups()[g].files)
            out << QString::fromStdString(scanner.pathOf(ref));
    }
    return out;
}

} // namespace

class BrowseTest : public QObject {
    Q_OBJECT
  private slots:
    void navigationBarWalksTheFolder();
    void searchListsMatchingFiles();
    void openDialogPreviewsTheFileUnderTheCursor();
    void severalFilesMakeOneDocument();
    void folderTreeAndOpenMultipleFiles();
    void openMultipleScanAgreesWithTheScannerAndMakesIcons();
    void openMultipleScanStopsOnRequest();
    void sortFramesAndPaste();
    void openFromInternetFileAddress();
    void refusedSchemeStaysOutOfTheHistory();
};

void BrowseTest::navigationBarWalksTheFolder() {
    MainWindowUnderTest fixture;
    auto& w = fixture.w;
    const QString folder = makeSeries(fixture.dir);
    QVERIFY(w.openFile(folder + "/IM1"));
    auto* position = w.findChild<QLabel*>(QStringLiteral("FilePosition"));
    auto* files = w.findChild<QComboBox*>(QStringLiteral("CurrentFile"));
    QVERIFY(position && files);
    QCOMPARE(position->text(), QStringLiteral("1/3"));
    QCOMPARE(files->count(), 3);
    QCOMPARE(files->itemText(2), QStringLiteral("IM10"));
    QAction* first = actionNamed(w, QStringLiteral("&First File"));
    QAction* previous = actionNamed(w, QStringLiteral("&Previous  File"));
    QAction* next = actionNamed(w, QStringLiteral("&Next  File"));
    QAction* last = actionNamed(w, QStringLiteral("&Last File"));
    QVERIFY(first && previous && next && last);
    QVERIFY(!first->isEnabled());
    QVERIFY(!previous->isEnabled());
    QVERIFY(next->isEnabled());
    next->trigger();
    QCOMPARE(position->text(), QStringLiteral("2/3"));
    QCOMPARE(w.mdiArea()->subWindowList().size(), 1); // the previous file was closed
    QCOMPARE(QString::fromStdString(w.activeChild()->document().title()), QStringLiteral("IM2"));
    // Ctrl+Right in the image pane is the window's Next File.
    QTest::keyClick(w.activeChild()->imageView(), Qt::Key_Right, Qt::ControlModifier);
    QCOMPARE(position->text(), QStringLiteral("3/3"));
    first->trigger();
    QCOMPARE(position->text(), QStringLiteral("1/3"));
    last->trigger();
    QCOMPARE(position->text(), QStringLiteral("3/3"));
    QVERIFY(!next->isEnabled());
    QVERIFY(previous->isEnabled());
    QCOMPARE(QString::fromStdString(w.activeChild()->document().title()), QStringLiteral("IM10"));
}

void BrowseTest::searchListsMatchingFiles() {
    MainWindowUnderTest fixture;
    const QString folder = makeSeries(fixture.dir);
    QStringList opened;
    FileListDialog dialog(
        FileListDialog::Mode::Search, fixture.settings, [&](const QString& p) { opened << p; },
        &fixture.w);
    dialog.show();
    dialog.addFolder(folder);
    QVERIFY(dialog.scanButton()->isEnabled());
    QVERIFY(!dialog.openButton()->isEnabled());
    dialog.criterion(0)->setText(QStringLiteral(" quill* "));
    dialog.scanOrStop();
    QCOMPARE(dialog.statusLine()->text(), QStringLiteral("Finished!"));
    QCOMPARE(dialog.list()->topLevelItemCount(), 3);
    QCOMPARE(dialog.list()->topLevelItem(1)->text(6), QStringLiteral("IM2"));
    QVERIFY(!dialog.list()->topLevelItem(0)->icon(0).isNull());
    saveShot(dialog, "search_window.png");
    dialog.list()->topLevelItem(2)->setSelected(true);
    dialog.list()->topLevelItem(0)->setSelected(true);
    QVERIFY(dialog.openButton()->isEnabled());
    dialog.openSelected();
    QCOMPARE(opened, QStringList({folder + "/IM1", folder + "/IM10"}));

    dialog.criterion(0)->setText(QStringLiteral("QUILL")); // no wildcard: the whole name must match
    dialog.scanOrStop();
    QCOMPARE(dialog.list()->topLevelItemCount(), 0);
    dialog.criterion(0)->clear();
    dialog.criterion(4)->setText(QStringLiteral("20240101"));
    dialog.criterion(5)->setText(QStringLiteral("20241231"));
    dialog.scanOrStop();
    QCOMPARE(dialog.list()->topLevelItemCount(), 3);
}

void BrowseTest::openDialogPreviewsTheFileUnderTheCursor() {
    MainWindowUnderTest fixture;
    const QString folder = makeSeries(fixture.dir);
    MCFileDialog dialog(fixture.settings, true, folder, &fixture.w);
    dialog.resize(900, 620);
    dialog.show();
    auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    QVERIFY(name);
    name->setText(QStringLiteral("\"IM2\" \"IM1\" \"IM10\""));
    QVERIFY(dialog.openAsSingleBox()->isEnabled());
    QVERIFY(dialog.infoLine(0)->text().startsWith(QStringLiteral("Patient's Name : QUILL")));
    QCOMPARE(dialog.infoLine(4)->text(), QStringLiteral("Frames : 1"));
    QVERIFY(dialog.viewHeaderButton()->isEnabled());
    QVERIFY(!dialog.picture()->pixmap().isNull());
    saveShot(dialog, "open_dialog_preview.png");
    dialog.selectFile(QStringLiteral("IM1"));
    QVERIFY(!dialog.openAsSingleBox()->isEnabled());
    QVERIFY(dialog.openAsSingleBox()->isChecked());
    dialog.selectFile(QStringLiteral("notes.txt"));
    QCOMPARE(dialog.infoLine(0)->text(), QStringLiteral("Patient's Name :"));
    QVERIFY(!dialog.viewHeaderButton()->isEnabled());

    // Favourites: add the folder shown, then a favourite that has gone.
    dialog.setDirectory(folder);
    dialog.addFavorite();
    dialog.addFavorite();
    QCOMPARE(fixture.settings.readInt("Favorite Directories", "Number", 0), 1);
    fixture.settings.writeText("Favorite Directories", "0002", (folder + "/gone").toStdString());
    fixture.settings.writeInt("Favorite Directories", "Number", 2);
    QTimer::singleShot(0, [] {
        if (QWidget* box = QApplication::activeModalWidget()) box->close();
    });
    dialog.goToFavorite(2);
    QCOMPARE(fixture.settings.readInt("Favorite Directories", "Number", 0), 1);
    dialog.reject();
}

void BrowseTest::severalFilesMakeOneDocument() {
    MainWindowUnderTest fixture;
    auto& w = fixture.w;
    const QString folder = makeSeries(fixture.dir);
    QVERIFY(w.openPathList({folder + "/IM1", folder + "/notes.txt", folder + "/IM2"},
                           QStringLiteral("(Multiple files)")));
    CChildFrame* child = w.activeChild();
    QVERIFY(child);
    QCOMPARE(child->document().frameCount(), 2); // the unreadable file is skipped
    QCOMPARE(QString::fromStdString(child->document().title()), QStringLiteral("(Multiple files)"));
}

void BrowseTest::folderTreeAndOpenMultipleFiles() {
    MainWindowUnderTest fixture;
    const QString folder = makeSeries(fixture.dir);
    FolderTree tree;
    tree.setListFiles(true);
    QVERIFY(tree.fill());
    QVERIFY(tree.selectPath(folder + "/IM2"));
    QCOMPARE(tree.fullPath(tree.currentItem()), folder + "/IM2");
    QVERIFY(!tree.isFolder(tree.currentItem()));
    QVERIFY(!tree.selectPath(folder + "/gone"));

    OpenMultipleDialog dialog(fixture.settings, &fixture.w);
    dialog.folderEdit()->setText(folder);
    dialog.scanOrStop();
    QCOMPARE(dialog.statusLine()->text(), QStringLiteral("Finished!"));
    QCOMPARE(dialog.groupBox()->count(), 1);
    QCOMPARE(dialog.groupBox()->itemText(0), QStringLiteral("0001"));
    QCOMPARE(dialog.fileList()->topLevelItemCount(), 3);
    dialog.show();
    saveShot(dialog, "open_multiple.png");
    dialog.minimumFiles()->setValue(4);
    QCOMPARE(dialog.groupBox()->count(), 0);
    dialog.minimumFiles()->setValue(3);
    QStringList paths;
    QString title;
    connect(&dialog, &OpenMultipleDialog::openRequested,
            [&](const QStringList& p, const QString& t) {
                paths = p;
                title = t;
            });
    dialog.openGroup(true);
    QCOMPARE(paths.size(), 3);
    QCOMPARE(title, QStringLiteral("QUILL^ADA , 4417, 20240315, CT, 3"));
}

void BrowseTest::openMultipleScanAgreesWithTheScannerAndMakesIcons() {
    MainWindowUnderTest fixture;
    // Files of many kinds in nested folders: the window's scan groups them
    // exactly as a plain scan does.
    OpenMultipleDialog dialog(fixture.settings, &fixture.w);
    dialog.folderEdit()->setText(QStringLiteral(VELTOR_DICOM_TEST_DATA));
    dialog.scanOrStop();
    QCOMPARE(dialog.statusLine()->text(), QStringLiteral("Finished!"));
    SeriesScanner plain(settings::groupingKeys(fixture.settings));
    plain.scan(VELTOR_DICOM_TEST_DATA, true);
    QVERIFY(plain.groups().size() > 2);
    QCOMPARE(scanSummary(*dialog.scanner()), scanSummary(plain));

    // "Load Icons": a picture of each file in the list, none without it.
    const QString folder = makeSeries(fixture.dir);
    dialog.folderEdit()->setText(folder);
    dialog.scanOrStop();
    QCOMPARE(dialog.fileList()->topLevelItemCount(), 3);
    for (int i = 0; i < 3; ++i) {
        const QIcon icon = dialog.fileList()->topLevelItem(i)->icon(0);
        QVERIFY(!icon.isNull());
        const QImage picture = icon.pixmap(32, 32).toImage();
        QVERIFY(picture.pixelColor(16, 16) != picture.pixelColor(0, 0)); // the slice on black
    }
    dialog.loadIcons()->setChecked(false);
    dialog.scanOrStop();
    QCOMPARE(dialog.fileList()->topLevelItemCount(), 3);
    QVERIFY(dialog.fileList()->topLevelItem(0)->icon(0).isNull());
}

void BrowseTest::openMultipleScanStopsOnRequest() {
    MainWindowUnderTest fixture;
    const QString folder = fixture.dir.path() + QStringLiteral("/many");
    QDir().mkpath(folder);
    const int files = 150;
    for (int i = 0; i < files; ++i)
        QVERIFY(QFile::link(QStringLiteral(VELTOR_SAMPLE_FILE), folder + QStringLiteral("/IM%1").arg(i)));
    OpenMultipleDialog dialog(fixture.settings, &fixture.w);
    dialog.folderEdit()->setText(folder);
    dialog.loadIcons()->setChecked(true);
    bool stopAsked = false;
    // The scan button pressed again while the scan runs: the window answers
    // and the scan ends early.
    QTimer::singleShot(0, &dialog, [&] {
        stopAsked = true;
        dialog.scanOrStop();
    });
    dialog.scanOrStop();
    QVERIFY(stopAsked);
    QCOMPARE(dialog.statusLine()->text(), QStringLiteral("Finished!"));
    QVERIFY(!dialog.scanner()->folders().empty());
    QVERIFY(dialog.scanner()->folders()[0].files.size() < size_t(files));
    // and the window scans again afterwards, every file this time
    dialog.loadIcons()->setChecked(false);
    dialog.scanOrStop();
    QCOMPARE(dialog.scanner()->folders()[0].files.size(), size_t(files));
}

void BrowseTest::sortFramesAndPaste() {
    MainWindowUnderTest fixture;
    auto& w = fixture.w;
    QVERIFY(w.openFile(writeMultiFrame(fixture.dir.path())));
    CKelvoDoc& doc = w.activeChild()->document();
    SortFramesDialog sort(doc);
    QCOMPARE(sort.list()->item(2)->text(), QStringLiteral("Frame 0003"));
    sort.list()->setCurrentRow(2);
    sort.move(0); // the last frame to the top
    QCOMPARE(sort.order(), (std::vector<int32_t>{2, 0, 1}));
    sort.move(4); // the order of load again
    QCOMPARE(sort.order(), (std::vector<int32_t>{0, 1, 2}));
    QCOMPARE(sort.currentRow(), 2);
    sort.move(0);
    QCOMPARE(sort.currentRow(), 0);
    QVERIFY(doc.reorderFrames(sort.order(), sort.currentRow()));
    QCOMPARE(doc.loadIndexOfFrame(0), 2);

    QAction* paste = actionNamed(w, QStringLiteral("Insert Clipboard contents"));
    QVERIFY(paste);
    QGuiApplication::clipboard()->clear();
    const int before = w.mdiArea()->subWindowList().size();
    paste->trigger(); // nothing on the clipboard: nothing happens
    QCOMPARE(w.mdiArea()->subWindowList().size(), before);
    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(QColor(200, 10, 10));
    QGuiApplication::clipboard()->setImage(image);
    QVERIFY(paste->isEnabled());
    paste->trigger();
    QCOMPARE(w.mdiArea()->subWindowList().size(), before + 1);
    ImageBuffer* frame = w.activeChild()->document().frameAt(0);
    QVERIFY(frame);
    QCOMPARE(frame->width(), 40);
    QCOMPARE(frame->height(), 30);
    QVERIFY(frame->isColour());
}

void BrowseTest::openFromInternetFileAddress() {
    MainWindowUnderTest fixture;
    auto& w = fixture.w;
    const QString folder = makeSeries(fixture.dir);
    qputenv("XDG_CACHE_HOME", fixture.dir.path().toLocal8Bit());
    const QString address = QStringLiteral("file://") + folder + QStringLiteral("/IM2");
    // Answers the address window, then "No" to saving a local copy.
    QTimer driver;
    connect(&driver, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* url = qobject_cast<OpenUrlDialog*>(modal)) {
            url->urlEdit()->setText(address);
            url->accept();
        } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            if (box->text() == QStringLiteral("Do you want to save this file locally?   "))
                box->button(QMessageBox::No)->click();
            else
                box->close();
        }
    });
    driver.start(20);
    QAction* open = actionNamed(w, QStringLiteral("Open from &Internet..."));
    QVERIFY(open);
    QCOMPARE(open->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_I));
    open->trigger();
    driver.stop();
    QVERIFY(w.activeChild());
    QCOMPARE(QString::fromStdString(w.activeChild()->document().title()), address);
    QCOMPARE(w.activeChild()->document().frameCount(), 1);
    QCOMPARE(browse::RecentUrls(fixture.settings).newestFirst().front(), address.toStdString());
}

void BrowseTest::refusedSchemeStaysOutOfTheHistory() {
    MainWindowUnderTest fixture;
    OpenUrlDialog dialog(fixture.settings, &fixture.w);
    dialog.show();
    QString message;
    QTimer::singleShot(0, [&message] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            message = box->text();
            box->close();
        }
    });
    dialog.urlEdit()->setText(QStringLiteral("gopher://example.org/scan.dcm"));
    dialog.accept();
    QVERIFY(message.contains(QStringLiteral("only http, https, ftp and file")));
    QVERIFY(dialog.isVisible());
    QVERIFY(dialog.result() != QDialog::Accepted);
    QVERIFY(browse::RecentUrls(fixture.settings).newestFirst().empty());
    // An address without a scheme becomes http and is remembered.
    dialog.urlEdit()->setText(QStringLiteral("example.org/scan.dcm"));
    dialog.accept();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    const std::vector<std::string> recent = browse::RecentUrls(fixture.settings).newestFirst();
    QCOMPARE(recent.size(), size_t(1));
    QCOMPARE(recent.front(), std::string("http://example.org/scan.dcm"));
}

QTEST_MAIN(BrowseTest)
#include "test_browse.moc"
