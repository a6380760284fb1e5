// Help, Company Information: how to reach the maker.
#pragma once

#include <QDialog>

namespace kelp {

class Company : public QDialog {
    Q_OBJECT
  public:
    explicit Company(QWidget* parent = nullptr);
};

}  // namespace kelp
