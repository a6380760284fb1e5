#include "gui/editors/placeholder_editor.h"

#include <QLabel>
#include <QVBoxLayout>

namespace kelp {

PlaceholderEditor::PlaceholderEditor(const QString& caption, QWidget* parent) : QWidget(parent) {
    setObjectName(caption);
    setWindowTitle(caption);
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(caption, this);
    label->setObjectName(QStringLiteral("lblCaption"));
    QFont font = label->font();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 1.25);
    label->setFont(font);
    layout->addWidget(label);
    layout->addStretch(1);
}

}  // namespace kelp
