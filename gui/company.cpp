#include "gui/company.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace kelp {

Company::Company(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Company"));
    setWindowTitle(QStringLiteral("Company Information"));

    auto* name = new QLabel(QStringLiteral("Zandrel Radio Systems"), this);
    name->setObjectName(QStringLiteral("lblCompanyName"));
    QFont big = name->font();
    big.setPointSizeF(big.pointSizeF() * 1.5);
    big.setBold(true);
    name->setFont(big);

    auto* address = new QLabel(QStringLiteral("1417 Harbor Ridge Road\n"
                                              "Port Alder, WA 98368\n"
                                              "USA"),
                               this);
    address->setObjectName(QStringLiteral("lblAddress"));
    address->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* contact = new QLabel(QStringLiteral("Telephone: +1 360 555 0147\n"
                                              "Sales: sales@zandrel.example\n"
                                              "Support: support@zandrel.example\n"
                                              "Web: www.zandrel.example"),
                               this);
    contact->setObjectName(QStringLiteral("lblContact"));
    contact->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* hours = new QLabel(
        QStringLiteral("Technical support: Monday to Friday, 9 am to 4 pm Pacific time.\n"
                       "Please have your controller's firmware version at hand."),
        this);
    hours->setObjectName(QStringLiteral("lblSupport"));
    hours->setWordWrap(true);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("OK"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(name);
    layout->addSpacing(6);
    layout->addWidget(address);
    layout->addSpacing(6);
    layout->addWidget(contact);
    layout->addSpacing(6);
    layout->addWidget(hours);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    layout->addLayout(buttons);
    setMinimumWidth(420);
}

}  // namespace kelp
