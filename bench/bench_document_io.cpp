// Opening and saving a configuration file with 100,000 rows in one section, through
// the view, against Qt's own DOM parse and a plain stream writer of the same content.
// Prints best-of-five wall times in milliseconds.

#include "bench/BenchSupport.h"
#include "document/ConfigDocumentParser.h"
#include "document/ZELView.h"
#include "host/dev.h"
#include "host/nlsdata.h"

#include <QBuffer>
#include <QDomDocument>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QTextStream>
#include <QXmlStreamWriter>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int kRows = 100000;
constexpr int kRuns = 5;

struct Section {
    const char *name;  // section element
    const char *row;   // row element
    const char *extra; // attributes of the section element
};

QByteArray makeFile(const Section &section)
{
    QByteArray bytes = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                       "<!DOCTYPE TAVIR_POWER_ANALYSIS_CONFIG>\n<Config>\n"
                       "    <Version>1.0</Version>\n";
    bytes += QByteArray("    <") + section.name + section.extra + ">\n";
    for (int i = 0; i < kRows; ++i) {
        bytes += QByteArray("        <") + section.row + " name=\"u_core/u_pipe" +
                 QByteArray::number(i % 97) + "/data_reg[" + QByteArray::number(i) +
                 "]\" value=\"" + QByteArray::number(10 + i % 80) + "\"/>\n";
    }
    bytes += QByteArray("    </") + section.name + ">\n</Config>";
    return bytes;
}

// The same content written by a bare stream writer: the floor for any save.
void plainWrite(const QDomDocument &doc, const QString &path)
{
    QSaveFile file(path);
    file.open(QIODevice::WriteOnly | QIODevice::Text);
    QXmlStreamWriter writer(&file);
    writer.setAutoFormatting(true);
    writer.writeStartDocument();
    writer.writeDTD(QStringLiteral("<!DOCTYPE TAVIR_POWER_ANALYSIS_CONFIG>"));
    writer.writeStartElement(QStringLiteral("Config"));
    writer.writeTextElement(QStringLiteral("Version"), QStringLiteral("1.0"));
    const QDomElement section = doc.documentElement().firstChildElement().nextSiblingElement();
    writer.writeStartElement(section.tagName());
    for (QDomElement row = section.firstChildElement(); !row.isNull();
         row = row.nextSiblingElement()) {
        writer.writeStartElement(row.tagName());
        writer.writeAttribute(QStringLiteral("name"), row.attribute(QStringLiteral("name")));
        writer.writeAttribute(QStringLiteral("value"), row.attribute(QStringLiteral("value")));
        writer.writeEndElement();
    }
    writer.writeEndElement();
    writer.writeEndElement();
    file.commit();
}

template <class Run> double bestOf(Run &&run)
{
    return BenchSupport::bestOf(kRuns, run).wall;
}

ZEL::ZELView *newView()
{
    auto *netlist = new NlsData::Netlist(QStringLiteral("bench_top"));
    netlist->addNet(QStringLiteral("clk"));
    return new ZEL::ZELView(DEV::DeviceArg(QStringLiteral("PX-A")), netlist);
}

int rowsIn(const QString &path, const char *row)
{
    return BenchSupport::readBytes(path).count(QByteArray("<") + row + " ");
}

} // namespace

int main(int argc, char **argv)
{
    BenchSupport::BenchApplication app(argc, argv, QStringLiteral("PX-A"));
    QTemporaryDir dir;

    const Section sections[] = {
        {"StandIn", "Row", ""},                 // read by no page: the frame alone
        {"NetRate", "Net", " type=\"toggle\""}, // net rate editor
        {"LocalEnable", "Instance", ""},        // flip-flop table
    };

    std::printf("%d rows per section, best of %d runs, milliseconds\n", kRows, kRuns);
    std::printf("%-12s %9s %9s %9s %9s %9s %9s %7s\n", "section", "MB", "QtDom", "guarded", "open",
                "plainW", "save", "rows");
    for (const Section &section : sections) {
        const QByteArray bytes = makeFile(section);
        const QString path = dir.filePath(QString::fromLatin1(section.name) + ".vep");
        const QString plainPath = dir.filePath(QStringLiteral("plain.vep"));

        const double qtDom = bestOf([&bytes]() {
            QDomDocument doc;
            doc.setContent(bytes);
        });
        const double guarded = bestOf([&bytes]() { ZEL::ConfigDocumentParser::parse(bytes); });

        QDomDocument reference;
        reference.setContent(bytes);
        const double plainWrite_ =
            bestOf([&reference, &plainPath]() { plainWrite(reference, plainPath); });

        double open = 1e12;
        double save = 1e12;
        int savedRows = 0;
        for (int i = 0; i < kRuns; ++i) {
            BenchSupport::writeBytes(path, bytes);
            ZEL::ZELView *view = newView();
            BenchSupport::Stopwatch stopwatch;
            const bool ok = view->readCfgFile(path);
            open = std::min(open, stopwatch.wallMs());
            if (!ok)
                std::printf("%s: not read\n", section.name);
            stopwatch.restart();
            view->save();
            save = std::min(save, stopwatch.wallMs());
            savedRows = rowsIn(path, section.row);
            delete view;
        }
        std::printf("%-12s %9.1f %9.1f %9.1f %9.1f %9.1f %9.1f %7d\n", section.name,
                    bytes.size() / 1e6, qtDom, guarded, open, plainWrite_, save, savedRows);
    }
    std::printf("QtDom: QDomDocument::setContent; guarded: the view's parser alone;\n"
                "open: ZELView::readCfgFile (parse + pages); plainW: QXmlStreamWriter of the\n"
                "same rows through QSaveFile; save: ZELView::save (pages + frame); rows: rows\n"
                "found in the saved file (0 for a section no page keeps).\n");
    return 0;
}
