#pragma once

// Reads an activity file front to back in fixed blocks, so that memory stays the same for
// a file of any size, and counts lines for the messages. Shared by the VCD and SAIF
// readers, which also use it to refuse compressed and binary files up front.

#include <QByteArray>
#include <QFile>
#include <QString>

namespace Activity {

class StreamReader {
public:
    // False, with the reason in `error`, when the file cannot be opened or its first
    // bytes show a compressed or binary file.
    bool open(const QString &path, QString *error);

    // The next byte, or -1 at the end of the file.
    int get()
    {
        if (m_pos == m_end && !fill())
            return -1;
        const unsigned char c = static_cast<unsigned char>(m_block.constData()[m_pos++]);
        if (c == '\n')
            ++m_line;
        return c;
    }
    int peek()
    {
        if (m_pos == m_end && !fill())
            return -1;
        return static_cast<unsigned char>(m_block.constData()[m_pos]);
    }

    // Skips white space; the next byte, not consumed, or -1 at the end of the file.
    int skipSpace();
    // Reads the word that starts here: the bytes up to white space and, with `saif`, up to
    // '(', ')' or '"', where a backslash takes the byte after it into the word. Keeps the
    // first `keep` bytes in `out`; returns the word's length, or -1 at a byte that is not
    // text (left in *bad). Stops early, with a length above `limit`, at a longer word.
    qint64 word(QByteArray *out, qint64 keep, qint64 limit, bool saif, int *bad);

    // Skips to the ')' that closes `depth` open parentheses, over strings and escapes, and
    // consumes it: 1 when found, 0 at the end of the file, -1 at a byte that is not text
    // (left in *bad), -2 when parentheses nest deeper than `maxDepth`.
    int skipGroup(int depth, int maxDepth, int *bad);

    qint64 line() const { return m_line; }
    qint64 offset() const { return m_blockStart + m_pos; }
    qint64 size() const { return m_file.size(); }
    // Reads `length` bytes at `offset` without moving the stream.
    QByteArray readAt(qint64 offset, qint64 length);

    // Control characters other than white space mean the file is not text.
    static bool isBinary(int c) { return (c < 0x20 && (c < '\t' || c > '\r')) || c == 0x7f; }
    static bool isSpace(int c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

private:
    bool fill();

    QFile m_file;
    QByteArray m_block;
    int m_pos = 0;
    int m_end = 0;
    qint64 m_blockStart = 0;
    qint64 m_line = 1;
};

} // namespace Activity
