#pragma once

#include <QDialog>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

// Asks for the target file of a view's screenshot and, when "Custom" is checked, its size.
class ScreenshotDialog : public QDialog {
    Q_OBJECT
public:
    // Width and height range from 1 to MaxSize pixels.
    static constexpr int MaxSize = 16384;

    ScreenshotDialog(int width, int height, const QString& viewName = QString(), QWidget* parent = nullptr);

    bool IsCustomSize() const;
    int GetWidth() const;
    int GetHeight() const;
    QString GetPath() const;

    // The file dialog's caption and filter.
    static QString BrowseCaption();
    static QString BrowseFilter();

public slots:
    // Asks for the target file; a non-empty answer goes into the path edit. A mouse press on the
    // empty path edit does the same.
    void onBrowse();
    void onCustomSizeToggled(bool checked);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QCheckBox* checkBoxCustomSize;
    QLabel* widthLabel;
    QLabel* heightLabel;
    QSpinBox* spinWidth;
    QSpinBox* spinHeight;
    QGroupBox* groupBoxFilePath;
    QLineEdit* pathEdit;
    QPushButton* buttonBrowse;
};
