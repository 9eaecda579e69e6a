#pragma once

#include <QWidget>

#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class SpreadGrid;

// "数据字典": the dictionaries of the hospital system and their entries. Opened by the main
// window, or by the link window as a picker that hands one dictionary back.
class sjzd : public QWidget {
    Q_OBJECT
public:
    explicit sjzd(QWidget* parent = nullptr);

    void RefreshData();
    // Makes the row whose name equals the text active and loads its entries.
    void SearchZD(const QString& ZDCname);
    void SearchNextZD();

    // Picker use: a pick calls getData(name, code) and closes the window.
    using GetData = std::function<void(const QString& ZDCname, const QString& ZDEname)>;
    void setPicker(const QString& captionPrefix, GetData getData);

    const QString& moduleKey() const { return m_moduleKey; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void loadWindow();
    void LoadEntries(int row);
    void SaveEntries();
    void addEntry();
    void deleteEntry();
    void entryChanged(int row, int col);
    void newDictionary();
    void editDictionary();
    void deleteDictionary();
    void openLinks();
    void listRowActivated(int row);
    void listRowClicked(int row);
    void pick(int row);
    void showHit(int row);
    void searchTextChanged(const QString& text);

    QString m_moduleKey;
    int m_lastHit = 0;
    bool m_picker = false;
    bool m_picked = false;
    bool m_moving = false;   // the program moves the active row: no load, no pick
    int m_justActivated = 0; // the row a mouse press has just made active
    QString m_captionPrefix;
    GetData m_getData;

    QPushButton* m_newDictionaryButton = nullptr;
    QPushButton* m_editDictionaryButton = nullptr;
    QPushButton* m_deleteDictionaryButton = nullptr;
    QPushButton* m_closeButton = nullptr;
    QLineEdit* m_zdmc = nullptr;
    QComboBox* m_searchDirectionBox = nullptr;
    QPushButton* m_findNextButton = nullptr;
    QPushButton* m_linkSettingsButton = nullptr;
    QPushButton* m_chooseLinkButton = nullptr;
    QCheckBox* m_showAllBox = nullptr;
    SpreadGrid* m_list = nullptr;
    SpreadGrid* m_entries = nullptr;
    QPushButton* m_newEntryButton = nullptr;
    QPushButton* m_saveEntriesButton = nullptr;
    QPushButton* m_deleteEntryButton = nullptr;
};
