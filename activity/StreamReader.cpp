#include "activity/StreamReader.h"

namespace Activity {

namespace {

constexpr int BlockSize = 1 << 20;

enum ByteClass : unsigned char { WordByte, SpaceByte, DelimiterByte, EscapeByte, BinaryByte };

struct ByteClasses {
    unsigned char of[256];
    ByteClasses()
    {
        for (int c = 0; c < 256; ++c)
            of[c] = StreamReader::isSpace(c)    ? SpaceByte
                    : StreamReader::isBinary(c) ? BinaryByte
                                                : WordByte;
        of[int('(')] = of[int(')')] = of[int('"')] = DelimiterByte;
        of[int('\\')] = EscapeByte;
    }
};
const ByteClasses classes;

// Names the packer whose magic number starts `head`, or nothing.
QString compression(const QByteArray &head)
{
    struct Magic {
        const char *bytes;
        int length;
        const char *name;
    };
    static const Magic magics[] = {
        {"\x1f\x8b", 2, "gzip"},
        {"BZh", 3, "bzip2"},
        {"\xfd"
         "7zXZ\x00",
         6, "xz"},
        {"\x28\xb5\x2f\xfd", 4, "zstd"},
        {"PK\x03\x04", 4, "zip"},
        {"\x04\x22\x4d\x18", 4, "lz4"},
    };
    for (const Magic &magic : magics) {
        if (head.startsWith(QByteArray(magic.bytes, magic.length)))
            return QString::fromLatin1(magic.name);
    }
    return {};
}

} // namespace

bool StreamReader::open(const QString &path, QString *error)
{
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot open the file: %1").arg(m_file.errorString());
        return false;
    }
    // A small file gets a small block: the checker reads many of them.
    m_block.resize(int(qBound<qint64>(64 * 1024, m_file.size(), BlockSize)));
    if (!fill()) {
        *error = QStringLiteral("the file is empty");
        return false;
    }
    const QByteArray head = QByteArray::fromRawData(m_block.constData(), qMin(m_end, 8));
    const QString packer = compression(head);
    if (!packer.isEmpty()) {
        *error = QStringLiteral("the file is %1-compressed; decompress it first").arg(packer);
        return false;
    }
    return true;
}

int StreamReader::skipSpace()
{
    for (;;) {
        if (m_pos == m_end && !fill())
            return -1;
        const char *data = m_block.constData();
        for (; m_pos < m_end; ++m_pos) {
            const unsigned char c = static_cast<unsigned char>(data[m_pos]);
            if (classes.of[c] != SpaceByte)
                return c;
            if (c == '\n')
                ++m_line;
        }
    }
}

qint64 StreamReader::word(QByteArray *out, qint64 keep, qint64 limit, bool saif, int *bad)
{
    out->clear();
    qint64 length = 0;
    bool escaped = false;
    for (;;) {
        if (m_pos == m_end && !fill())
            return length;
        const char *data = m_block.constData();
        int i = m_pos;
        for (; i < m_end; ++i) {
            const unsigned char c = static_cast<unsigned char>(data[i]);
            const unsigned char kind = classes.of[c];
            if (kind == WordByte)
                continue;
            if (kind == BinaryByte) {
                *bad = c;
                m_pos = i;
                return -1;
            }
            if (escaped) {
                escaped = false;
                m_line += c == '\n';
                continue;
            }
            if (kind == SpaceByte || (saif && kind == DelimiterByte))
                break;
            escaped = saif && kind == EscapeByte;
        }
        const int count = i - m_pos;
        if (length < keep)
            out->append(data + m_pos, int(qMin<qint64>(count, keep - length)));
        length += count;
        m_pos = i;
        if (i < m_end || length > limit)
            return length;
    }
}

int StreamReader::skipGroup(int depth, int maxDepth, int *bad)
{
    bool escaped = false;
    bool quoted = false;
    for (;;) {
        if (m_pos == m_end && !fill())
            return 0;
        const char *data = m_block.constData();
        for (; m_pos < m_end; ++m_pos) {
            const unsigned char c = static_cast<unsigned char>(data[m_pos]);
            const unsigned char kind = classes.of[c];
            if (kind == BinaryByte) {
                *bad = c;
                return -1;
            }
            m_line += c == '\n';
            if (escaped) {
                escaped = false;
            } else if (kind == WordByte || kind == SpaceByte) {
                continue;
            } else if (kind == EscapeByte) {
                escaped = true;
            } else if (quoted) {
                quoted = c != '"';
            } else if (c == '"') {
                quoted = true;
            } else if (c == '(') {
                if (++depth > maxDepth)
                    return -2;
            } else if (--depth == 0) {
                ++m_pos;
                return 1;
            }
        }
    }
}

bool StreamReader::fill()
{
    m_blockStart += m_end;
    m_pos = 0;
    const qint64 got = m_file.read(m_block.data(), m_block.size());
    m_end = got > 0 ? int(got) : 0;
    return m_end > 0;
}

QByteArray StreamReader::readAt(qint64 offset, qint64 length)
{
    const qint64 resume = m_file.pos();
    QByteArray bytes;
    if (m_file.seek(offset))
        bytes = m_file.read(length);
    m_file.seek(resume);
    return bytes;
}

} // namespace Activity
