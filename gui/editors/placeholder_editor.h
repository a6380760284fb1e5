// The editor window of an area whose editing arrives later: its caption on an empty page,
// so that every tab of the main window already has its window.
#pragma once

#include <QWidget>

namespace kelp {

class PlaceholderEditor : public QWidget {
    Q_OBJECT
  public:
    PlaceholderEditor(const QString& caption, QWidget* parent = nullptr);
};

}  // namespace kelp
