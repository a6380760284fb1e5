// The Courtesy Tones window (tab "Courtesy Tones" of the main window): on each port's tab the
// courtesy tone chosen in CTSet(p), its four segment frames and a picture of the tone on a
// time axis; beside the tabs Apply, Cancel Changes and Preview, which plays the selected
// courtesy tone of the current port without holding up the rest of the program.
#pragma once

#include <array>
#include <memory>
#include <string>

#include "core/editors/courtesy_model.h"
#include "gui/editors/editor_window.h"

class QComboBox;
class QLineEdit;
class QPushButton;
class QTabWidget;

namespace kelp {

// The picture of one courtesy tone: each delay a gap, each segment a bar as long as its
// duration, labelled with its two tones (a segment of two 0 Hz tones is drawn as silence).
class CourtesyToneDiagram : public QWidget {
    Q_OBJECT
  public:
    explicit CourtesyToneDiagram(QWidget* parent = nullptr);
    void setShape(const CourtesyShape& shape);
    const CourtesyTimeline& timeline() const { return timeline_; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    CourtesyTimeline timeline_;
};

class Courtesy : public EditorWindow {
    Q_OBJECT
  public:
    explicit Courtesy(QWidget* parent = nullptr);
    ~Courtesy() override;

    CourtesyModel& courtesy() const { return static_cast<CourtesyModel&>(model()); }
    QTabWidget* portTabs() const { return sstab_; }
    QComboBox* toneSelect(int port) const { return ctSet_[static_cast<std::size_t>(port - 1)]; }
    CourtesyToneDiagram* diagram(int port) const {
        return diagrams_[static_cast<std::size_t>(port - 1)];
    }
    // True while a preview plays.
    bool previewing() const { return previewing_; }
    // Stops a preview that is playing (nothing otherwise).
    void stopPreview();

    // Fills the sixteen boxes of the port from courtesy tone n of the working copy.
    void SetCourtesyToneDisplay(int port, int tone);

  protected:
    void updateEnabledStates() override;
    void afterEdit(const std::string& key, int index) override;
    void hideEvent(QHideEvent* event) override;

  private:
    QWidget* buildPortTab(int port);
    void refreshDiagram(int port);
    void previewClicked();
    void runPreview();

    QTabWidget* sstab_ = nullptr;
    std::array<QComboBox*, 3> ctSet_{};
    std::array<CourtesyToneDiagram*, 3> diagrams_{};
    std::array<std::array<QLineEdit*, 16>, 3> boxes_{};
    QPushButton* preview_ = nullptr;
    QPushButton* cancel_ = nullptr;
    bool previewing_ = false;
    bool stopRequested_ = false;
    bool restartPreview_ = false;
    // Cleared when the window goes, so that a preview running in a nested wait stops
    // without touching the window again.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace kelp
