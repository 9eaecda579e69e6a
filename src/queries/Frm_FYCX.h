#pragma once

#include "queries/RecordQueryWindow.h"

// The department's executed, valid documents by execution date, executor and checker, or by
// document number.
class Frm_FYCX : public RecordQueryWindow {
    Q_OBJECT
public:
    explicit Frm_FYCX(QWidget* parent = nullptr);
};
