#pragma once

#include "output/core/SlipDocument.h"

#include <QVector>

class QPagedPaintDevice;
class QPainter;
class QRectF;

// Draws a document's slip on A5 pages: unit name, title, document number with its Code 128
// barcode, patient and doctor, the items with their total, executor, checker and print time.
// Every cell is printed whole: long texts wrap within their column, and a font size too large
// for the page is reduced until the cells fit. Items that do not fit go on to further pages,
// each with the heading part again. A voided document's slip says "作废" across the page, who
// voided it and when, and has no barcode.
class SlipLayout {
public:
    SlipLayout(const SlipDocument& slip, int fontSize);

    void prepare(QPagedPaintDevice& device) const; // A5 portrait, margins
    int pageCount(QPagedPaintDevice& device) const;
    // The point size the slip is drawn at on `device`.
    double fittedFontSize(QPagedPaintDevice& device) const;
    bool paint(QPagedPaintDevice& device) const;
    bool paint(QPainter& painter, QPagedPaintDevice& device) const;

private:
    struct Metrics;
    Metrics measure(QPagedPaintDevice& device) const;
    bool measureAt(double size, QPagedPaintDevice& device, Metrics* m) const;

    const SlipDocument& m_slip;
    double m_fontSize;
};

// Code 128 of `text` as filled rectangles (libzint's vector output), scaled into `area` with
// the bars' full height; stays sharp on paper and in PDF. False when the text cannot be encoded.
bool drawCode128(QPainter& painter, const QRectF& area, const QString& text);
