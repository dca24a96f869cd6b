#include "viewer/plot/ChartImage.h"

#include "viewer/core/ControlCore.h"
#include "viewer/plot/ChartPainter.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPalette>
#include <QSvgGenerator>

namespace tlv::viewer {

namespace {

// A picture looks the same on every desktop: dark text on white.
GraphPalette pictureColours()
{
    QPalette palette;
    palette.setColor(QPalette::Active, QPalette::Base, Qt::white);
    palette.setColor(QPalette::Active, QPalette::Text, Qt::black);
    return GraphPalette(palette);
}

bool paintTo(const QString &path, QSize size, const ChartPainter &chart)
{
    if (ChartImage::isSvg(path))
        return ChartImage::writeSvg(path, size, [&](QPainter &p) { chart.paint(p, size); });
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    chart.paint(painter, size);
    painter.end();
    return image.save(path, "PNG");
}

} // namespace

bool ChartImage::isSvg(const QString &path)
{
    return QFileInfo(path).suffix().compare(QStringLiteral("svg"), Qt::CaseInsensitive) == 0;
}

bool ChartImage::writeSvg(
    const QString &path, QSize size, const std::function<void(QPainter &)> &paint)
{
    QSvgGenerator generator;
    generator.setFileName(path);
    generator.setSize(size);
    generator.setViewBox(QRect(QPoint(0, 0), size));
    generator.setTitle(QStringLiteral("Tolvane chart"));
    QPainter painter;
    if (!painter.begin(&generator))
        return false;
    paint(painter);
    return painter.end() && QFileInfo(path).size() > 0;
}

bool ChartImage::write(ControlCore &core, const QString &path, QString *error, const Look &look)
{
    const auto fail = [error](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return fail(QStringLiteral("Drawing a chart needs a QGuiApplication"));
    if (look.size.isEmpty())
        return fail(QStringLiteral("A chart needs a width and a height"));

    RowStore &rows = core.rows();
    const QSet<int> selection = rows.graphSelection();
    if (!GraphData::prepareToShow(rows, nullptr))
        return fail(QStringLiteral("No data columns to draw"));
    // A column to hide is named by its title or its number; a name that is
    // none of them is refused rather than drawing what the user did not ask for.
    GraphTraces::Options options;
    options.lanes = look.lanes;
    for (const QString &name : look.hidden) {
        bool isNumber = false;
        const int number = name.toInt(&isNumber);
        bool found = false;
        for (const RowStore::DataColumn &c : rows.dataColumns()) {
            if ((isNumber && c.number == number)
                || c.title.compare(name.trimmed(), Qt::CaseInsensitive) == 0) {
                options.hiddenColumns.insert(c.number);
                found = true;
            }
        }
        if (!found) {
            rows.setGraphSelection(selection);
            return fail(QStringLiteral("No column \"%1\" to hide").arg(name));
        }
    }
    const GraphData data = GraphData::build(rows, core.maxGraph(), &core.cycle().columns());
    // The user's own selection stays as it was.
    rows.setGraphSelection(selection);

    const GraphTraces traces = GraphTraces::build(data, options);
    const GraphPalette palette = pictureColours();
    if (!paintTo(path, look.size, ChartPainter(rows, data, traces, palette)))
        return fail(QStringLiteral("The chart could not be written to ") + path);
    return true;
}

} // namespace tlv::viewer
