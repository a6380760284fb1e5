// Help, About: the program's name and version.
#pragma once

#include <QDialog>

namespace kelp {

class About : public QDialog {
    Q_OBJECT
  public:
    explicit About(QWidget* parent = nullptr);
};

}  // namespace kelp
