#include "output/pages/SlipPdf.h"

#include "output/core/SheetExport.h"
#include "output/pages/SlipLayout.h"

#include <QFile>
#include <QPdfWriter>

bool renderSlipPdf(const SlipDocument& slip, const QString& path, AppError* error) {
    const QString temporary = AtomicFile::temporaryPathFor(path);
    bool painted = false;
    {
        QPdfWriter pdf(temporary);
        pdf.setTitle(slip.dh);
        pdf.setResolution(600);
        const SlipLayout layout(slip, SlipFontSize());
        layout.prepare(pdf);
        painted = layout.paint(pdf);
    }
    if (!painted) {
        QFile::remove(temporary);
        *error = {75, QStringLiteral("无法写入PDF文件%1").arg(path), QStringLiteral("MZCFPrint")};
        return false;
    }
    return AtomicFile::replace(temporary, path, error);
}

bool writeSlipPdf(const SlipRequest& request, const QString& path, AppError* error) {
    SlipDocument slip;
    return LoadSlip(request, &slip, error) && renderSlipPdf(slip, path, error);
}
