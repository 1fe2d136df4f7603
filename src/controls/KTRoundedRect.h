#pragma once

#include <QRectF>

/// `rect` on whole pixels: origin and size each rounded to the nearest integer, so a control
/// placed there draws crisp edges.
QRectF KTRoundedRect(const QRectF &rect);
