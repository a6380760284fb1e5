#include "gui/about.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/app/program_identity.h"
#include "gui/accessibility.h"
#include "gui/program_title.h"
#include "gui/resources.h"

namespace kelp {

About::About(QWidget* parent) : QDialog(parent) {
    initResources();
    setObjectName(QStringLiteral("About"));
    setWindowTitle(QStringLiteral("About ") + programTitle());

    auto* row = new QHBoxLayout;
    auto* picture = new QLabel(this);
    picture->setPixmap(svgPixmap(QStringLiteral("kelp-logo"), QSize(96, 96), devicePixelRatioF()));
    markPicture(picture, programTitle() + QStringLiteral(" logo"),
                QStringLiteral("The program's emblem"));
    row->addWidget(picture, 0, Qt::AlignTop);

    auto* texts = new QVBoxLayout;
    auto* product = new QLabel(programTitle() + QStringLiteral(" QZ740 Programmer"), this);
    product->setObjectName(QStringLiteral("lblProductName"));
    QFont big = product->font();
    big.setPointSizeF(big.pointSizeF() * 1.6);
    big.setBold(true);
    product->setFont(big);
    auto* version = new QLabel(QString::fromStdString(versionLabel()), this);
    version->setObjectName(QStringLiteral("lblVersion"));
    auto* description = new QLabel(
        QStringLiteral("Programs the QZ740 repeater controller over its serial port or by DTMF "
                       "tones through a transmitter."),
        this);
    description->setObjectName(QStringLiteral("lblDescription"));
    description->setWordWrap(true);
    auto* copyright = new QLabel(QStringLiteral("Copyright \u00A9 Zandrel Radio Systems"), this);
    copyright->setObjectName(QStringLiteral("lblCopyright"));
    texts->addWidget(product);
    texts->addWidget(version);
    texts->addSpacing(8);
    texts->addWidget(description);
    texts->addStretch(1);
    texts->addWidget(copyright);
    row->addLayout(texts, 1);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("OK"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    layout->addLayout(buttons);
    setMinimumWidth(440);
}

}  // namespace kelp
