#include "common/IniProfile.h"
#include "viewer/core/GraphViewState.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using tlv::viewer::GraphViewState;

TEST(GraphViewState, RoundTripsThroughItsOwnSectionAndLeavesTheRestOfTheProject)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(u"p.tlvr"_s);
    const QByteArray before = "[Tolvane]\r\nVersion=2\r\n[CONNECTION]\r\nMaxRows=500\r\n";
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(before);
    }
    EXPECT_FALSE(GraphViewState::read(file).has_value()); // an older project: no view

    GraphViewState s;
    for (int c = 0; c < 128; ++c) // past the 255 characters of one value
        s.columns.append(127 - c);
    s.ownRanges = true;
    s.timeAxis = true;
    s.cursorA = 4711;
    s.zoom = std::pair { 0.1 + 0.2, 1234.5678901234567 };
    ASSERT_TRUE(s.write(file));
    QStringList warnings;
    EXPECT_EQ(GraphViewState::read(file, &warnings), s);
    EXPECT_TRUE(warnings.isEmpty());
    EXPECT_EQ(tlv::common::IniProfile::read(file, u"CONNECTION"_s, u"MaxRows"_s), u"500"_s);

    // A cursor and the zoom taken away do not linger from the view before.
    GraphViewState plain;
    plain.columns = { 3 };
    ASSERT_TRUE(plain.write(file));
    EXPECT_EQ(GraphViewState::read(file), plain);
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.readAll().startsWith(before));
}

TEST(GraphViewState, ValuesThatDoNotReadArePassedOverAndTheRestComesBack)
{
    QStringList warnings;
    const GraphViewState s = GraphViewState::fromLines(
        { u"columns=4, 9,x,200,-1,4"_s, u"OwnRanges=yes"_s, u"TimeAxis=1"_s, u"CursorA=-5"_s,
            u"CursorB=12"_s, u"ZoomFrom=50"_s, u"ZoomTo=10"_s },
        &warnings);
    EXPECT_EQ(s.columns, (QList<int> { 4, 9 }));
    EXPECT_FALSE(s.ownRanges);
    EXPECT_TRUE(s.timeAxis);
    EXPECT_FALSE(s.cursorA.has_value());
    EXPECT_EQ(s.cursorB, 12);
    EXPECT_FALSE(s.zoom.has_value()); // backwards: full view
    EXPECT_EQ(warnings,
        (QStringList { u"columns = x"_s, u"columns = 200"_s, u"columns = -1"_s,
            u"OwnRanges = yes"_s, u"CursorA = -5"_s, u"Zoom = 50 10"_s }));

    const GraphViewState nan = GraphViewState::fromLines({ u"ZoomFrom=nan"_s, u"ZoomTo=inf"_s });
    EXPECT_FALSE(nan.zoom.has_value());
}
