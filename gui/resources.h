// The icons are compiled into the kelp_gui library; a static library's resources must be
// registered by hand before the first use. They are SVG drawings, drawn at the size and
// pixel ratio they are shown at, so they stay sharp on a screen scaled to 2x.
#pragma once

#include <QIcon>
#include <QPixmap>
#include <QSize>
#include <QString>

namespace kelp {

void initResources();

// The icon drawn from ":/icons/NAME.svg".
QIcon svgIcon(const QString& name);
// The drawing at a size in device-independent pixels, for a screen of the given pixel ratio.
QPixmap svgPixmap(const QString& name, const QSize& size, qreal pixelRatio);

}  // namespace kelp
