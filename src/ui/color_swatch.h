// The coloured button of the Waveform Color dialog: it shows one channel's trace colour and, when
// clicked, lets the user choose another with the platform's colour chooser.
#pragma once

#include <QAbstractButton>
#include <QColor>
#include <functional>
#include <optional>

namespace tarnix {

// Asks the user for a colour starting from `initial`; nullopt when the user cancels.
using ColourChooser = std::function<std::optional<QColor>(const QColor& initial, QWidget* parent)>;

class CColorSwatch : public QAbstractButton {
    Q_OBJECT

public:
    explicit CColorSwatch(QWidget* parent = nullptr);

    void SetColour(const QColor& colour); // repaints
    QColor Colour() const { return colour_; }
    void SetChannel(int channel) { channel_ = channel; }
    int Channel() const { return channel_; }
    // Replaces the platform chooser (tests answer it); an empty function restores the platform's.
    void SetChooser(ColourChooser chooser) { chooser_ = std::move(chooser); }

    QSize sizeHint() const override { return QSize(60, 22); }

signals:
    // The user accepted a new colour; the swatch already shows it.
    void colourChosen(int channel, const QColor& colour);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void Choose();

    QColor colour_ = Qt::black;
    int channel_ = 0;
    ColourChooser chooser_;
};

} // namespace tarnix
