#pragma once

// A window that shows the user's manual. The main window opens it by name from the window
// catalogue and turns it to the contents (帮助目录) or to the keyword index (帮助主题)
// without knowing the concrete window.
class HelpPages {
public:
    virtual ~HelpPages() = default;
    virtual void showContents() = 0;
    virtual void showIndex() = 0;
};
