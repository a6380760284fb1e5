#include "gui/splash.h"

#include <QApplication>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

#include "core/app/program_identity.h"
#include "gui/program_title.h"
#include "gui/resources.h"

namespace kelp {

Splash::Splash(QWidget* parent) : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint) {
    initResources();
    setObjectName(QStringLiteral("Splash"));
    setAttribute(Qt::WA_DeleteOnClose, false);

    auto* frame = new QFrame(this);
    frame->setFrameShape(QFrame::Box);
    frame->setLineWidth(2);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(frame);

    auto* row = new QHBoxLayout(frame);
    row->setContentsMargins(24, 24, 32, 24);
    row->setSpacing(24);
    auto* picture = new QLabel(frame);
    picture->setObjectName(QStringLiteral("imgLogo"));
    picture->setPixmap(svgPixmap(QStringLiteral("kelp-logo"), QSize(96, 96), devicePixelRatioF()));
    row->addWidget(picture, 0, Qt::AlignTop);

    auto* texts = new QVBoxLayout;
    row->addLayout(texts, 1);
    auto* company = new QLabel(QStringLiteral("Zandrel"), frame);
    company->setObjectName(QStringLiteral("lblCompany"));
    auto* product = new QLabel(programTitle(), frame);
    product->setObjectName(QStringLiteral("lblProductName"));
    QFont big = product->font();
    big.setPointSizeF(big.pointSizeF() * 2.4);
    big.setBold(true);
    product->setFont(big);
    auto* programmer = new QLabel(QStringLiteral("QZ740 Programmer"), frame);
    programmer->setObjectName(QStringLiteral("lblProgrammer"));
    QFont medium = programmer->font();
    medium.setPointSizeF(medium.pointSizeF() * 1.4);
    programmer->setFont(medium);
    auto* platforms = new QLabel(QStringLiteral("XP/Vista/Win7/8/8.1/10"), frame);
    platforms->setObjectName(QStringLiteral("lblPlatform"));
    auto* version = new QLabel(QString::fromStdString(versionLabel()), frame);
    version->setObjectName(QStringLiteral("lblVersion"));

    texts->addWidget(company);
    texts->addWidget(product);
    texts->addWidget(programmer);
    texts->addStretch(1);
    texts->addWidget(platforms);
    texts->addWidget(version);

    setFixedSize(sizeHint().expandedTo(QSize(460, 220)));
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    timer_ = new QTimer(this);
    timer_->setSingleShot(true);
    timer_->setInterval(kShowMs);
    connect(timer_, &QTimer::timeout, this, [this] {
        // The start-up window's work is done: it takes no more clicks and goes away.
        setEnabled(false);
        emit timeUp();
        close();
    });
    timer_->start();
}

}  // namespace kelp
