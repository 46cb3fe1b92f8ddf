#include "save_custom_palette_dialog.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFormLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "dicom/dicom_file.h"

namespace veltor {

namespace {

// Palette names are kept to 127 characters.
constexpr int kMaxPaletteName = 127;

bool askNameByDialog(QWidget* parent, QString& name) {
    SaveCustomPaletteDialog dialog(name, parent);
    if (dialog.exec() != QDialog::Accepted) return false;
    name = dialog.name();
    return true;
}

QString askPathByDialog(QWidget* parent, const QString& folder, const QString& defaultName) {
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(QObject::tr("Palette File (*.txt)"));
    dialog.setDefaultSuffix(QStringLiteral("txt"));
    dialog.setDirectory(folder);
    dialog.selectFile(defaultName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().constFirst();
}

} // namespace

SaveCustomPaletteDialog::SaveCustomPaletteDialog(const QString& name, QWidget* parent) : QDialog(parent) {
    setWindowTitle(tr("Save As Custom Palette"));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    m_name = new QLineEdit(name, this);
    m_name->setMaxLength(kMaxPaletteName);
    m_name->selectAll();
    form->addRow(tr("Palette's Name"), m_name);
    layout->addLayout(form);
    auto* buttons = new QDialogButtonBox(this);
    m_save = buttons->addButton(tr("Save..."), QDialogButtonBox::AcceptRole);
    buttons->addButton(tr("Cancel"), QDialogButtonBox::RejectRole);
    m_save->setDefault(true);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    // A palette file without a name cannot be read back.
    const auto check = [this] { m_save->setEnabled(!m_name->text().trimmed().isEmpty()); };
    connect(m_name, &QLineEdit::textChanged, this, check);
    check();
    setMinimumWidth(320);
}

QString SaveCustomPaletteDialog::name() const {
    QString n = m_name->text().trimmed();
    n.replace(QLatin1Char(' '), QLatin1Char('_'));
    return n;
}

bool extractPaletteToFile(QWidget* parent, DicomFile& file, const QString& folder, std::vector<PaletteBlock>& custom,
                          AskPalettePath askPath, AskPaletteName askName) {
    PaletteBlock block;
    if (!extractPalette(file, block)) return false;

    QString name = QString::fromStdString(block.name);
    const bool named = askName ? askName(parent, name) : askNameByDialog(parent, name);
    if (!named) return false;
    name = name.trimmed();
    name.replace(QLatin1Char(' '), QLatin1Char('_'));
    if (name.isEmpty()) return false;
    block.name = name.left(kMaxPaletteName).toStdString();

    QDir().mkpath(folder);
    const QString path =
        askPath ? askPath(folder, name) : askPathByDialog(parent, folder, name);
    if (path.isEmpty()) return false;

    if (!writePaletteFile(QFile::encodeName(path).toStdString(), block)) {
        QMessageBox::warning(parent, QString(), QString::fromLatin1(kCannotCreateFile));
        return false;
    }
    custom.push_back(std::move(block));
    return true;
}

} // namespace veltor
