// The outline of a .vep file read by the fast scanner of the editor's plain form must be
// the one the XML reader gives: a UTF-8 byte order mark sends the same document down the
// XML path without changing what it means or its lines.

#include "check/FileOutline.h"

#include <QtTest>

using VepCheck::FileOutline;

namespace {

QString describe(const FileOutline::Element &e)
{
    QString out = QStringLiteral("%1@%2[").arg(e.tag).arg(e.line);
    for (const auto &pair : e.attributes)
        out += pair.first + QLatin1Char('=') + pair.second + QLatin1Char(';');
    out += QStringLiteral("]{") + e.text + QLatin1Char('}');
    for (const FileOutline::Element &child : e.children)
        out += QLatin1Char('(') + describe(child) + QLatin1Char(')');
    return out;
}

QString describe(const FileOutline &outline)
{
    QString out = outline.docTypeName() + (outline.hasRoot() ? "+root\n" : "-root\n");
    for (const FileOutline::Element &entry : outline.entries())
        out += describe(entry) + QLatin1Char('\n');
    return out;
}

} // namespace

class tst_Outline : public QObject {
    Q_OBJECT
private slots:
    void sameAsXmlReader_data();
    void sameAsXmlReader();
};

void tst_Outline::sameAsXmlReader_data()
{
    QTest::addColumn<QByteArray>("body");
    const QByteArray rows = "  <NetRate type=\"toggle\">\n    <Net name=\"a[0]\" value=\"25\"/>\n"
                            "    <Net name=\"b\" value=\"25\"/>\n  </NetRate>\n";
    QTest::newRow("rows") << rows;
    QTest::newRow("entities") << QByteArray("<X a=\"&lt;&amp;&quot;&gt;&apos;\">1 &amp; 2</X>\n");
    QTest::newRow("nested text") << QByteArray("<S>\n<V>12<I>3</I>4</V>\t<V>5</V></S>");
    QTest::newRow("spaces in tags") << QByteArray("<S  a=\"1\" ><R b=\"2\" /></S >");
    QTest::newRow("empty sections") << QByteArray("<G a=\"1\"/><L></L>");
    QTest::newRow("tab in value") << QByteArray("<L><R name=\"a\tb\"/></L>");
    QTest::newRow("character reference") << QByteArray("<L><R name=\"a&#10;b\"/></L>");
    QTest::newRow("mismatched end") << QByteArray("<V>1</V><L><R name=\"a\"/></X>");
    QTest::newRow("duplicate attribute") << QByteArray("<V>1</V><L><R a=\"1\" a=\"2\"/></L>");
    QTest::newRow("comment") << QByteArray("<V>1</V><!-- c --><L/>");
    QTest::newRow("non-ASCII") << QByteArray("<L><R name=\"\xC3\xA9\"/></L>");
    QTest::newRow("break off") << QByteArray("<V>1</V><L><R name=\"a\"/>");
}

void tst_Outline::sameAsXmlReader()
{
    QFETCH(QByteArray, body);
    const QByteArray head = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                            "<!DOCTYPE TAVIR_POWER_ANALYSIS_CONFIG>\n<Config>\n";
    const QByteArray plain = head + body + "\n</Config>\n";
    FileOutline scanned;
    scanned.parseFile(plain);
    FileOutline read;
    read.parseFile("\xEF\xBB\xBF" + plain);
    QCOMPARE(describe(scanned), describe(read));

    // Sections taken from a reference with the same bytes, on other lines, are the same.
    FileOutline reference;
    reference.parse(head + "<Extra/>\n\n" + body + "\n</Config>\n");
    FileOutline taken;
    taken.parseFile(plain, &reference);
    QCOMPARE(describe(taken), describe(read));
}

QTEST_GUILESS_MAIN(tst_Outline)
#include "tst_outline.moc"
