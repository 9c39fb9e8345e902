// The form drawn at the scale factor this run was started with
// (QT_SCALE_FACTOR): every frame keeps its border, and no label runs into
// its neighbour.
#include "EditorFixture.h"
#include "framework/DialogUnits.h"

#include <QLabel>
#include <QScreen>
#include <QStatusBar>
#include <QStyleOptionGroupBox>

#include <cmath>

namespace {
struct Frame
{
    QString name;
    QRect rect;      // in the window, logical pixels
    bool top = true; // a group box's or tab pane's top edge carries its title or tabs
};

// A border pixel is clearly darker than what lies on both sides of it: the
// lightest border, a group box's, is 23 levels below the pane it lies on,
// while the window beside a white field with no border differs by 16.
constexpr int kLineContrast = 20;

// Device rows (or columns) along one edge of a frame where no border pixel
// is found within a pixel of where the edge lies.
int GapsAlongEdge(const QImage& image, const QRect& r, qreal dpr, Qt::Edge edge, int corner, int* first)
{
    const bool vertical = edge == Qt::LeftEdge || edge == Qt::RightEdge;
    // Where the edge's first (or last) logical pixel starts and ends on the device.
    const qreal from = edge == Qt::LeftEdge ? r.left() * dpr
                       : edge == Qt::RightEdge ? r.right() * dpr
                       : edge == Qt::TopEdge  ? r.top() * dpr
                                              : r.bottom() * dpr;
    // A style may draw the line a pixel inside the edge (a tab pane's, over
    // its shadow): the band takes the edge pixel and the one inside it.
    const bool far = edge == Qt::RightEdge || edge == Qt::BottomEdge;
    const int lo = int(std::floor(far ? from - dpr : from)) - 1;
    const int hi = int(std::ceil(far ? from + dpr : from + 2 * dpr));
    // Leave the rounded corners out.
    const int along0 = int(std::ceil(((vertical ? r.top() : r.left()) + corner) * dpr));
    const int along1 = int(std::floor(((vertical ? r.bottom() : r.right()) - corner) * dpr));
    auto gray = [&](int across, int along) {
        const QPoint p = vertical ? QPoint(across, along) : QPoint(along, across);
        return image.rect().contains(p) ? qGray(image.pixel(p)) : 255;
    };
    int gaps = 0;
    for (int a = along0; a <= along1; ++a) {
        int darkest = 255;
        for (int c = lo; c <= hi; ++c)
            darkest = qMin(darkest, gray(c, a));
        // What lies just outside the band: the lighter side (a field's
        // scroll bar may lie against the other).
        const int outside = qMax(gray(lo - 2, a), gray(hi + 2, a));
        if (outside - darkest < kLineContrast && !gaps++)
            *first = a;
    }
    return gaps;
}
} // namespace

class TestFormScale : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { InitTestEnvironment(); }

    void everyFrameKeepsItsBorder()
    {
        EditorFixture f;
        QVERIFY(f.started);
        const qreal expected = qEnvironmentVariable("QT_SCALE_FACTOR", QStringLiteral("1")).toDouble();
        const qreal dpr = f.frame()->devicePixelRatioF();
        QCOMPARE(dpr, expected);
        // Every control enabled: an entry to show, the settings editable.
        f.click(IDC_INSERT);
        f.choose(IDC_PROTOCOL, 1);
        f.frame()->resize(f.frame()->width(), 800);
        QVERIFY(QTest::qWaitForWindowExposed(f.frame()));
        f.frame()->repaint();

        // The window as painted, in device pixels.
        QImage shot = f.frame()->grab().toImage();
        QVERIFY(!shot.isNull());
        QCOMPARE(shot.width(), int(std::round(f.frame()->width() * dpr)));
        shot = shot.convertToFormat(QImage::Format_RGB32);

        QList<Frame> frames;
        for (int id : {IDC_DESCRIPTION, IDC_BM_DESCRIPTION, IDC_TIMEOUT, IDC_ADDRESS, IDC_NUMBER}) {
            QWidget* w = f.view()->GetDlgItem(id);
            frames << Frame{w->objectName(), QRect(w->mapTo(f.frame(), QPoint(0, 0)), w->size())};
        }
        for (QGroupBox* box : f.view()->Form()->findChildren<QGroupBox*>()) {
            QStyleOptionGroupBox option;
            option.initFrom(box);
            option.text = box->title();
            option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
            const QRect frame = box->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxFrame, box);
            frames << Frame{box->objectName(), frame.translated(box->mapTo(f.frame(), QPoint(0, 0))), false};
        }
        auto* strip = f.control<CTabStrip>(IDC_TAB);
        const int paneTop = strip->TabBar()->geometry().bottom() + 1;
        frames << Frame{strip->objectName(),
                        QRect(strip->mapTo(f.frame(), QPoint(0, paneTop)), QSize(strip->width(), strip->height() - paneTop)),
                        false};

        QStringList lost;
        for (const Frame& frame : std::as_const(frames)) {
            QList<Qt::Edge> edges{Qt::LeftEdge, Qt::RightEdge, Qt::BottomEdge};
            if (frame.top)
                edges << Qt::TopEdge;
            for (Qt::Edge edge : edges) {
                int first = 0;
                const int gaps = GapsAlongEdge(shot, frame.rect, dpr, edge, frame.top ? 4 : 20, &first);
                if (gaps)
                    lost << QStringLiteral("%1 edge %2: %3 device pixels without a border from %4 (%5,%6 %7x%8)")
                                .arg(frame.name).arg(int(edge)).arg(gaps).arg(first)
                                .arg(frame.rect.x()).arg(frame.rect.y()).arg(frame.rect.width()).arg(frame.rect.height());
            }
        }
        // A group box's title stands above its frame, with no line of its
        // own beside it.
        for (QGroupBox* box : f.view()->Form()->findChildren<QGroupBox*>()) {
            QStyleOptionGroupBox option;
            option.initFrom(box);
            option.text = box->title();
            option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
            const QRect label = box->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, box);
            const QPoint at = box->mapTo(f.frame(), QPoint(0, 0));
            const QRect band(at.x(), at.y() + label.top() + 2, box->width(), label.height() - 4);
            int first = 0;
            const int rows = int(std::floor(band.bottom() * dpr)) - int(std::ceil(band.top() * dpr)) + 1;
            for (Qt::Edge edge : {Qt::LeftEdge, Qt::RightEdge})
                if (GapsAlongEdge(shot, band, dpr, edge, 0, &first) < rows / 3)
                    lost << box->title() + QStringLiteral(": a line beside the title");
        }
        if (!lost.isEmpty())
            shot.save(QStringLiteral("formscale-%1.png").arg(dpr));
        QVERIFY2(lost.isEmpty(), qPrintable(lost.join(QStringLiteral("; "))));
    }

    void firstSizeFitsTheScreen()
    {
        EditorFixture f;
        QVERIFY(f.started);
        QVERIFY(QTest::qWaitForWindowExposed(f.frame()));
        const QRect available = f.frame()->screen()->availableGeometry();
        QVERIFY2(f.frame()->height() <= available.height() && f.frame()->width() <= available.width(),
                 qPrintable(QStringLiteral("%1x%2 on %3x%4").arg(f.frame()->width()).arg(f.frame()->height())
                                .arg(available.width()).arg(available.height())));
        // Where the screen has room, the first size is the designed one.
        if (available.height() >= 700)
            QCOMPARE(f.frame()->size(), QSize(312, 658));
        QVERIFY(f.frame()->statusBar()->isVisible());
    }

    void noLabelTouchesItsNeighbour()
    {
        EditorFixture f;
        QVERIFY(f.started);
        QWidget* form = f.view()->Form();
        const CDialogUnits du(form->font());
        const QList<QWidget*> controls = form->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
        for (QLabel* label : form->findChildren<QLabel*>(Qt::FindDirectChildrenOnly)) {
            // The text as drawn: its width, placed by the label's alignment.
            const int width = label->fontMetrics().horizontalAdvance(VisibleLabelText(label->text()));
            QVERIFY2(width <= label->width(), qPrintable(label->text()));
            const QRect g = label->geometry();
            const QRect text = (label->alignment() & Qt::AlignRight) ? QRect(g.right() + 1 - width, g.top(), width, g.height())
                                                                     : QRect(g.left(), g.top(), width, g.height());
            for (QWidget* other : controls) {
                if (other == label || other->geometry().contains(g))
                    continue;
                // At least a pixel of air on each side of the text.
                QVERIFY2(!other->geometry().intersects(text.adjusted(-2, 0, 2, 0)),
                         qPrintable(label->text() + QStringLiteral(" touches ") + other->objectName()));
            }
            // Inside a frame, the text keeps off its border.
            for (QGroupBox* box : form->findChildren<QGroupBox*>(Qt::FindDirectChildrenOnly))
                if (box->geometry().contains(g))
                    QVERIFY2(text.left() - box->x() >= du.X(4) - 1 && box->geometry().right() - text.right() >= du.X(4) - 1,
                             qPrintable(label->text()));
        }
    }
};

QTEST_MAIN(TestFormScale)
#include "tst_formscale.moc"
