#pragma once

#include "app/core/ConnectionSettings.h"

#include <QDialog>
#include <QList>

class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// Shown whenever the connection cannot be opened: the error, the connection settings (the
// engine, and a server's four fields or the embedded database's file), and the choice to
// retry with changed settings or to end the program.
class LinkDatabaseErr : public QDialog {
    Q_OBJECT
public:
    explicit LinkDatabaseErr(QWidget* parent = nullptr);

    void setErrorText(const QString& description);
    // The connection string built from the four fields.
    QString GetConectionstr() const;
    ConnectionSettings settings() const;
    // "Start" once the user chose retry; empty otherwise.
    QString state() const { return m_state; }

    static QColor backgroundColor() { return QColor(197, 221, 255); }
    static QString titleText();

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void buildControls();
    void loadFields();
    void listServers();
    void restoreDefaults();
    void showSettings();
    void retry();
    void exitProgram();
    void showHelp();
    // The engine chosen in CboEngine, and the rows it needs: a server's four, or the file.
    ConnectionString::Kind chosenEngine() const;
    void showEngineFields();

    QString m_state;
    ConnectionSettings m_loaded; // as read from the file: a retry without changes writes nothing
    QLabel* m_showTitle = nullptr;
    QPlainTextEdit* m_errInfo = nullptr;
    QFrame* m_frame = nullptr;
    QComboBox* m_engine = nullptr;
    QLabel* m_serverLabel = nullptr;
    QComboBox* m_server = nullptr;
    QLabel* m_fileLabel = nullptr;
    QLineEdit* m_file = nullptr;
    QList<QWidget*> m_serverRows;
    QLineEdit* m_database = nullptr;
    QLineEdit* m_user = nullptr;
    QLineEdit* m_password = nullptr;
};
