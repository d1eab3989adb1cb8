// Paints the program's own pictures: the tool bar icons (68 x 48) and the view's
// picture (600 x 450) into resources/images/. Run once after changing the artwork:
//   g++ -std=c++20 -fPIC scripts/make-art.cpp $(pkg-config --cflags --libs Qt6Gui) -o /tmp/make-art
//   QT_QPA_PLATFORM=offscreen /tmp/make-art resources/images
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace {

QImage Canvas(int w, int h) {
    QImage img(w, h, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    return img;
}

void Card(QPainter& p, QRectF r, QColor colour, const QString& label) {
    QLinearGradient g(r.topLeft(), r.bottomRight());
    g.setColorAt(0, colour.lighter(140));
    g.setColorAt(1, colour);
    p.setPen(QPen(colour.darker(160), 1.5));
    p.setBrush(g);
    p.drawRoundedRect(r, 5, 5);
    // antenna loops of the inlay
    p.setPen(QPen(QColor(255, 255, 255, 150), 1.2));
    p.setBrush(Qt::NoBrush);
    for (int i = 0; i < 3; ++i)
        p.drawRoundedRect(r.adjusted(4 + 3 * i, 4 + 3 * i, -4 - 3 * i, -4 - 3 * i), 3, 3);
    QFont f("DejaVu Sans", 11, QFont::Bold);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(r, Qt::AlignCenter, label);
}

void Waves(QPainter& p, QPointF c, QColor colour) {
    p.setBrush(Qt::NoBrush);
    for (int i = 1; i <= 3; ++i) {
        p.setPen(QPen(colour, 2.0, Qt::SolidLine, Qt::RoundCap));
        const double r = 5.0 * i;
        p.drawArc(QRectF(c.x() - r, c.y() - r, 2 * r, 2 * r), 45 * 16, 90 * 16);
    }
}

QImage TagIcon(QColor colour, const QString& label) {
    QImage img = Canvas(68, 48);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    Card(p, QRectF(6, 12, 56, 33), colour, label);
    Waves(p, QPointF(34, 13), colour.darker(130));
    return img;
}

QImage PlugIcon() {
    QImage img = Canvas(68, 48);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(60, 60, 70), 3, Qt::SolidLine, Qt::RoundCap));
    QPainterPath cable;
    cable.moveTo(8, 38);
    cable.cubicTo(20, 44, 22, 24, 34, 24);
    p.drawPath(cable);
    p.setBrush(QColor(70, 110, 170));
    p.setPen(QPen(QColor(40, 60, 100), 1.5));
    p.drawRoundedRect(QRectF(32, 16, 18, 16), 3, 3);
    p.setBrush(QColor(200, 200, 210));
    p.drawRect(QRectF(50, 19, 10, 3));
    p.drawRect(QRectF(50, 26, 10, 3));
    return img;
}

QImage RoundIcon(QColor colour, const QString& glyph) {
    QImage img = Canvas(68, 48);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QRadialGradient g(QPointF(30, 18), 24);
    g.setColorAt(0, colour.lighter(150));
    g.setColorAt(1, colour);
    p.setBrush(g);
    p.setPen(QPen(colour.darker(150), 1.5));
    p.drawEllipse(QRectF(16, 6, 36, 36));
    p.setFont(QFont("DejaVu Serif", 20, QFont::Bold));
    p.setPen(Qt::white);
    p.drawText(QRectF(16, 6, 36, 36), Qt::AlignCenter, glyph);
    return img;
}

QImage ExitIcon() {
    QImage img = Canvas(68, 48);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(150, 100, 60));
    p.setPen(QPen(QColor(90, 60, 30), 1.5));
    p.drawRect(QRectF(14, 6, 22, 36));
    p.setBrush(QColor(230, 200, 120));
    p.drawEllipse(QRectF(30, 23, 3, 3));
    p.setPen(QPen(QColor(190, 40, 40), 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawLine(QPointF(38, 24), QPointF(58, 24));
    p.drawLine(QPointF(51, 17), QPointF(58, 24));
    p.drawLine(QPointF(51, 31), QPointF(58, 24));
    return img;
}

QImage Picture() {
    QImage img(600, 450, QImage::Format_RGB888);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor background(232, 238, 245);
    p.fillRect(img.rect(), background);
    // a soft shadow under the unit
    QRadialGradient shadow(QPointF(240, 355), 180);
    shadow.setColorAt(0, QColor(190, 200, 215));
    shadow.setColorAt(1, background);
    p.setPen(Qt::NoPen);
    p.setBrush(shadow);
    p.drawEllipse(QRectF(60, 335, 360, 40));

    // the reader/writer: a desk unit with its antenna field
    QLinearGradient body(150, 230, 150, 360);
    body.setColorAt(0, QColor(72, 84, 104));
    body.setColorAt(1, QColor(36, 42, 56));
    p.setPen(QPen(QColor(20, 24, 32), 2));
    p.setBrush(body);
    p.drawRoundedRect(QRectF(90, 240, 300, 110), 18, 18);
    QLinearGradient pad(150, 240, 150, 280);
    pad.setColorAt(0, QColor(120, 140, 170));
    pad.setColorAt(1, QColor(80, 96, 120));
    p.setBrush(pad);
    p.drawRoundedRect(QRectF(110, 250, 260, 40), 10, 10);
    p.setBrush(QColor(80, 220, 120));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QRectF(120, 315, 12, 12));
    p.setBrush(QColor(240, 190, 60));
    p.drawEllipse(QRectF(142, 315, 12, 12));
    p.setFont(QFont("DejaVu Sans", 14, QFont::Bold));
    p.setPen(QColor(220, 226, 236));
    p.drawText(QRectF(170, 308, 200, 26), Qt::AlignRight | Qt::AlignVCenter, "VOREX");

    // cable to the workstation
    p.setPen(QPen(QColor(50, 50, 60), 5, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    QPainterPath cable;
    cable.moveTo(390, 320);
    cable.cubicTo(470, 330, 470, 400, 560, 410);
    p.drawPath(cable);

    // field lines over the pad
    for (int i = 1; i <= 4; ++i) {
        p.setPen(QPen(QColor(60, 130, 210, 200 - 35 * i), 3, Qt::SolidLine, Qt::RoundCap));
        const double r = 28.0 * i;
        p.drawArc(QRectF(240 - r, 250 - r, 2 * r, 2 * r), 30 * 16, 120 * 16);
    }

    // a tag and a card hovering in the field
    auto tag = [&p](QRectF r, QColor c, double angle, const QString& label) {
        p.save();
        p.translate(r.center());
        p.rotate(angle);
        r.moveCenter(QPointF(0, 0));
        QLinearGradient g(r.topLeft(), r.bottomRight());
        g.setColorAt(0, c.lighter(150));
        g.setColorAt(1, c);
        p.setPen(QPen(c.darker(170), 2));
        p.setBrush(g);
        p.drawRoundedRect(r, 12, 12);
        p.setPen(QPen(QColor(255, 255, 255, 140), 2));
        p.setBrush(Qt::NoBrush);
        for (int i = 0; i < 4; ++i)
            p.drawRoundedRect(r.adjusted(10 + 7 * i, 10 + 7 * i, -10 - 7 * i, -10 - 7 * i), 6, 6);
        p.setFont(QFont("DejaVu Sans", 16, QFont::Bold));
        p.setPen(Qt::white);
        p.drawText(r, Qt::AlignCenter, label);
        p.restore();
    };
    tag(QRectF(140, 60, 170, 108), QColor(40, 110, 200), -8, "ISO 15693");
    tag(QRectF(330, 80, 150, 96), QColor(220, 120, 40), 10, "MIFARE");

    p.setFont(QFont("DejaVu Sans", 12));
    p.setPen(QColor(70, 84, 104));
    p.drawText(QRectF(0, 410, 600, 30), Qt::AlignCenter, "13.56 MHz");
    return img;
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    TagIcon(QColor(40, 110, 200), "15693").save(dir + "/tb_40001.png");
    TagIcon(QColor(120, 80, 170), "UL").save(dir + "/tb_40004.png");
    TagIcon(QColor(220, 120, 40), "1K").save(dir + "/tb_40002.png");
    TagIcon(QColor(190, 70, 50), "4K").save(dir + "/tb_40003.png");
    TagIcon(QColor(40, 150, 110), "NFC").save(dir + "/tb_40005.png");
    PlugIcon().save(dir + "/tb_32778.png");
    RoundIcon(QColor(40, 120, 60), "?").save(dir + "/tb_57670.png");
    RoundIcon(QColor(40, 90, 170), "i").save(dir + "/tb_57664.png");
    ExitIcon().save(dir + "/tb_57665.png");
    Picture().save(dir + "/view.png");
    return 0;
}
