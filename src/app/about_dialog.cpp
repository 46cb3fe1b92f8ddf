#include "app/about_dialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/app_icons.h"

#ifndef VELTOR_VERSION
#define VELTOR_VERSION "unknown"
#endif

namespace veltor {

namespace {

constexpr const char* kAuthor = "The Veltor developers";
constexpr const char* kContact = "dicom-viewer@veltor.org";
constexpr const char* kWebSite = "https://veltor.org/dicom-viewer/";

} // namespace

QString AboutDialog::versionText() {
    return QStringLiteral("Version %1 (built %2 with Qt %3)")
        .arg(QStringLiteral(VELTOR_VERSION), QStringLiteral(__DATE__), QString::fromLatin1(qVersion()));
}

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("About Veltor Dicom Viewer"));
    auto* picture = new QLabel(this);
    picture->setPixmap(applicationEmblem(64));
    picture->setAlignment(Qt::AlignTop);

    auto* name = new QLabel(QStringLiteral("<b>Veltor Dicom Viewer</b>"), this);
    auto* version = new QLabel(versionText(), this);
    version->setObjectName(QStringLiteral("VersionLabel"));
    version->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* author = new QLabel(QStringLiteral("%1<br><a href=\"mailto:%2\">%2</a><br><a href=\"%3\">%3</a>")
                                  .arg(QString::fromLatin1(kAuthor), QString::fromLatin1(kContact),
                                       QString::fromLatin1(kWebSite)),
                              this);
    author->setOpenExternalLinks(true);
    auto* warning = new QLabel(
        QStringLiteral("This program is not a medical device. It is not meant for diagnosis or for any "
                       "decision about a patient's care; images and measurements it shows may differ from "
                       "those of certified equipment. It is provided as is, without any warranty."),
        this);
    warning->setWordWrap(true);
    warning->setMinimumWidth(340);

    auto* texts = new QVBoxLayout;
    texts->addWidget(name);
    texts->addWidget(version);
    texts->addSpacing(6);
    texts->addWidget(author);
    texts->addSpacing(6);
    texts->addWidget(warning);
    auto* top = new QHBoxLayout;
    top->addWidget(picture);
    top->addSpacing(8);
    top->addLayout(texts, 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

} // namespace veltor
