#pragma once
// A search field on a black bar: a rounded field with a magnifier, an optional Cancel button.
// The delegate hears every change the pilot makes to the text (also clearing it with the field's
// clear button; not texts set by setText), the Search (Return) key and the Cancel button.
//
// Ownership: a Qt child of its form; the delegate is not owned. Threads: main thread only.

#include <QWidget>

class QLineEdit;

namespace vantrel::platform::ui {

class BarButton;
class SearchBar;

class SearchBarDelegate {
public:
    virtual ~SearchBarDelegate() = default;
    virtual void searchBarTextDidChange(SearchBar* searchBar, const QString& text) = 0;
    virtual void searchBarSearchButtonClicked(SearchBar* searchBar) = 0;
    virtual void searchBarCancelButtonClicked(SearchBar*) {}
};

class SearchBar : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString text READ text WRITE setText)
    Q_PROPERTY(QString placeholder READ placeholder WRITE setPlaceholder)
    Q_PROPERTY(bool showsCancelButton READ showsCancelButton WRITE setShowsCancelButton)
public:
    static constexpr int kHeight = 44;

    explicit SearchBar(QWidget* parent = nullptr);

    SearchBarDelegate* delegate() const { return delegate_; }
    void setDelegate(SearchBarDelegate* delegate) { delegate_ = delegate; }

    QString text() const;
    void setText(const QString& text);
    QString placeholder() const;
    void setPlaceholder(const QString& text);
    bool showsCancelButton() const { return showsCancel_; }
    void setShowsCancelButton(bool shows);
    // Switches off the on-screen keyboard's word guessing and correction.
    void setAutocorrectionEnabled(bool enabled);

    void becomeFirstResponder();
    void resignFirstResponder();
    QLineEdit* field() const { return field_; }

    QSize sizeHint() const override { return {320, kHeight}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    SearchBarDelegate* delegate_ = nullptr;
    QLineEdit* field_;
    BarButton* cancel_;
    bool showsCancel_ = false;
};

}  // namespace vantrel::platform::ui
