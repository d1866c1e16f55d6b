// Reads back the text lines of a PDF that Qt's PDF printer wrote: inflates its streams, reads each
// font's ToUnicode map and decodes the glyph strings of every text object (BT .. ET) into one line.
// Enough for Qt's own output; not a general PDF reader.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

namespace tarnix::testing {

inline QByteArray Inflate(const QByteArray& deflated) {
    // qUncompress wants the expected size in front, big-endian; it grows the buffer when short.
    const quint32 guess = static_cast<quint32>(qMax<qsizetype>(1024, deflated.size() * 8));
    QByteArray framed;
    framed.append(static_cast<char>((guess >> 24) & 0xFF));
    framed.append(static_cast<char>((guess >> 16) & 0xFF));
    framed.append(static_cast<char>((guess >> 8) & 0xFF));
    framed.append(static_cast<char>(guess & 0xFF));
    framed.append(deflated);
    return qUncompress(framed);
}

struct PdfObject {
    QByteArray dictionary;
    QByteArray stream; // inflated when the object says FlateDecode
};

inline QHash<int, PdfObject> ReadPdfObjects(const QByteArray& pdf) {
    QHash<int, PdfObject> objects;
    static const QRegularExpression objectStart(QStringLiteral("(\\d+) 0 obj"));
    auto it = objectStart.globalMatch(QString::fromLatin1(pdf));
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        const qsizetype start = m.capturedEnd();
        const qsizetype end = pdf.indexOf("endobj", start);
        if (end < 0) {
            continue;
        }
        const QByteArray body = pdf.mid(start, end - start);
        PdfObject object;
        const qsizetype streamAt = body.indexOf("stream");
        if (streamAt >= 0) {
            object.dictionary = body.left(streamAt);
            qsizetype dataStart = streamAt + 6;
            if (body.mid(dataStart, 2) == "\r\n") {
                dataStart += 2;
            } else if (body.at(dataStart) == '\n') {
                dataStart += 1;
            }
            const qsizetype dataEnd = body.lastIndexOf("endstream");
            QByteArray data = body.mid(dataStart, dataEnd - dataStart);
            object.stream = object.dictionary.contains("FlateDecode") ? Inflate(data) : data;
        } else {
            object.dictionary = body;
        }
        objects.insert(m.captured(1).toInt(), object);
    }
    return objects;
}

// Glyph code -> text of a ToUnicode CMap (bfrange with arrays or a start value, and bfchar).
inline QHash<int, QString> ReadToUnicode(const QByteArray& cmap) {
    QHash<int, QString> map;
    const auto code = [](const QString& hex) { return hex.toInt(nullptr, 16); };
    const QString text = QString::fromLatin1(cmap);
    static const QRegularExpression rangeArray(
        QStringLiteral("<([0-9A-Fa-f]+)> <([0-9A-Fa-f]+)> \\[([^\\]]*)\\]"));
    static const QRegularExpression rangeStart(
        QStringLiteral("<([0-9A-Fa-f]+)> <([0-9A-Fa-f]+)> <([0-9A-Fa-f]+)>"));
    static const QRegularExpression hexItem(QStringLiteral("<([0-9A-Fa-f]+)>"));
    for (auto it = rangeArray.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        int c = code(m.captured(1));
        for (auto items = hexItem.globalMatch(m.captured(3)); items.hasNext(); ++c) {
            map.insert(c, QString(QChar(static_cast<char16_t>(code(items.next().captured(1))))));
        }
    }
    for (auto it = rangeStart.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        const int first = code(m.captured(1));
        const int last = code(m.captured(2));
        const int value = code(m.captured(3));
        for (int c = first; c <= last && c - first < 65536; ++c) {
            map.insert(c, QString(QChar(static_cast<char16_t>(value + c - first))));
        }
    }
    return map;
}

// One line per text object, in drawing order.
inline QStringList PdfTextLines(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    const QHash<int, PdfObject> objects = ReadPdfObjects(file.readAll());
    // Fonts by object number: their ToUnicode maps.
    QHash<int, QHash<int, QString>> fonts;
    static const QRegularExpression toUnicode(QStringLiteral("/ToUnicode (\\d+) 0 R"));
    for (auto it = objects.constBegin(); it != objects.constEnd(); ++it) {
        const QRegularExpressionMatch m = toUnicode.match(QString::fromLatin1(it->dictionary));
        if (m.hasMatch()) {
            fonts.insert(it.key(), ReadToUnicode(objects.value(m.captured(1).toInt()).stream));
        }
    }
    // Resource names (/F7) to font objects.
    QHash<QString, int> fontNames;
    static const QRegularExpression fontRef(QStringLiteral("/(F\\d+) (\\d+) 0 R"));
    for (const PdfObject& object : objects) {
        for (auto it = fontRef.globalMatch(QString::fromLatin1(object.dictionary)); it.hasNext();) {
            const QRegularExpressionMatch m = it.next();
            fontNames.insert(m.captured(1), m.captured(2).toInt());
        }
    }
    QStringList lines;
    static const QRegularExpression token(
        QStringLiteral("(BT)|(ET)|/(F\\d+) [-0-9.]+ Tf|<([0-9A-Fa-f]+)> Tj"));
    for (const PdfObject& object : objects) {
        if (!object.stream.contains("BT")) {
            continue;
        }
        QString line;
        const QHash<int, QString>* font = nullptr;
        for (auto it = token.globalMatch(QString::fromLatin1(object.stream)); it.hasNext();) {
            const QRegularExpressionMatch m = it.next();
            if (!m.captured(1).isEmpty()) {
                line.clear();
            } else if (!m.captured(2).isEmpty()) {
                lines.append(line);
            } else if (!m.captured(3).isEmpty()) {
                const auto found = fonts.constFind(fontNames.value(m.captured(3), -1));
                font = found != fonts.constEnd() ? &found.value() : nullptr;
            } else if (font != nullptr) {
                const QString hex = m.captured(4);
                for (qsizetype i = 0; i + 4 <= hex.size(); i += 4) {
                    QString glyph = font->value(hex.mid(i, 4).toInt(nullptr, 16));
                    // Qt maps the space glyph to a tab in its ToUnicode tables.
                    line += glyph == QStringLiteral("\t") ? QStringLiteral(" ") : glyph;
                }
            }
        }
    }
    return lines;
}

} // namespace tarnix::testing
