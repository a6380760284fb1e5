// The start-up window: the program's name, version and platforms for two seconds while the
// main window is about to load.
#pragma once

#include <QWidget>

class QLabel;
class QTimer;

namespace kelp {

class Splash : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kShowMs = 2000;

    explicit Splash(QWidget* parent = nullptr);

  signals:
    // The start-up window's time is up: the main window shows now.
    void timeUp();

  private:
    QTimer* timer_ = nullptr;
};

}  // namespace kelp
