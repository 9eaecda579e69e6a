#pragma once

#include <QDialog>
#include <QPointer>

class QCheckBox;
class QLineEdit;
class QPushButton;
class sjzd;

// "字典": creates ("新建") or changes ("修改") one dictionary of the dictionary window.
class Frm_ZD : public QDialog {
    Q_OBJECT
public:
    explicit Frm_ZD(sjzd* list, QWidget* parent = nullptr);

    void setMode(const QString& mode) { m_mode = mode; }
    const QString& mode() const { return m_mode; }
    // The dictionary to change; its code cannot be changed.
    void fill(const QString& name, const QString& code, const QString& remark, bool system);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void confirm();
    bool createDictionary(const QString& name, const QString& code, const QString& type);
    void refreshList();

    QString m_mode;
    QPointer<sjzd> m_list;
    QLineEdit* m_zdmc = nullptr;
    QLineEdit* m_zddm = nullptr;
    QLineEdit* m_bz = nullptr;
    QCheckBox* m_systemBox = nullptr;
    QPushButton* m_okButton = nullptr;
    QPushButton* m_closeButton = nullptr;
};
