#include "tools/content-gen/draw.h"

#include <cmath>
#include <map>

namespace content {
namespace {

constexpr double kPi = 3.14159265358979323846;

}  // namespace

Pen::Pen(cairo_t* cr, const Palette& palette, bool colour, double line)
    : cr_(cr), palette_(palette), colour_(colour), line_(line) {
  cairo_set_line_join(cr_, CAIRO_LINE_JOIN_ROUND);
  cairo_set_line_cap(cr_, CAIRO_LINE_CAP_ROUND);
}

Rgb Pen::ColourOf(const std::string& name) const {
  for (const auto& c : palette_.colours)
    if (c.name == name) return c.rgb;
  return palette_.colours[1].rgb;  // an unknown name shows as ink
}

void Pen::Source(const std::string& name) {
  const Rgb c = (colour_ || name == "ink") ? ColourOf(name) : palette_.colours[0].rgb;
  cairo_set_source_rgb(cr_, c.r / 255.0, c.g / 255.0, c.b / 255.0);
}

void Pen::Fill(const std::string& name) {
  Source(name);
  cairo_fill_preserve(cr_);
}

void Pen::Stroke(double width) {
  Source("ink");
  cairo_save(cr_);
  cairo_identity_matrix(cr_);
  cairo_set_line_width(cr_, line_ * width);
  cairo_stroke(cr_);
  cairo_restore(cr_);
}

double Pen::Line() const {
  double dx = line_, dy = 0;
  cairo_device_to_user_distance(cr_, &dx, &dy);
  return std::hypot(dx, dy);
}

void Pen::Circle(double x, double y, double r) {
  cairo_new_sub_path(cr_);
  cairo_arc(cr_, x, y, r, 0, 2 * kPi);
  cairo_close_path(cr_);
}

void Pen::Ellipse(double x, double y, double rx, double ry) {
  cairo_save(cr_);
  cairo_translate(cr_, x, y);
  cairo_scale(cr_, rx, ry);
  cairo_new_sub_path(cr_);
  cairo_arc(cr_, 0, 0, 1, 0, 2 * kPi);
  cairo_close_path(cr_);
  cairo_restore(cr_);
}

void Pen::RoundRect(double x, double y, double w, double h, double r) {
  cairo_new_sub_path(cr_);
  cairo_arc(cr_, x + w - r, y + r, r, -kPi / 2, 0);
  cairo_arc(cr_, x + w - r, y + h - r, r, 0, kPi / 2);
  cairo_arc(cr_, x + r, y + h - r, r, kPi / 2, kPi);
  cairo_arc(cr_, x + r, y + r, r, kPi, 3 * kPi / 2);
  cairo_close_path(cr_);
}

void Pen::Poly(std::initializer_list<std::pair<double, double>> points) {
  bool first = true;
  for (const auto& [x, y] : points) {
    if (first) {
      cairo_new_sub_path(cr_);
      cairo_move_to(cr_, x, y);
    } else {
      cairo_line_to(cr_, x, y);
    }
    first = false;
  }
  cairo_close_path(cr_);
}

void Pen::Star(double x, double y, double outer, double inner, int points, double turn) {
  cairo_new_sub_path(cr_);
  for (int i = 0; i < 2 * points; ++i) {
    const double a = -kPi / 2 + turn + i * kPi / points;
    const double r = (i % 2) ? inner : outer;
    if (i == 0)
      cairo_move_to(cr_, x + r * std::cos(a), y + r * std::sin(a));
    else
      cairo_line_to(cr_, x + r * std::cos(a), y + r * std::sin(a));
  }
  cairo_close_path(cr_);
}

void Pen::Heart(double x, double y, double s) {
  cairo_new_sub_path(cr_);
  cairo_move_to(cr_, x, y + s * 0.9);
  cairo_curve_to(cr_, x - s * 1.3, y + s * 0.1, x - s * 0.9, y - s * 0.9, x, y - s * 0.35);
  cairo_curve_to(cr_, x + s * 0.9, y - s * 0.9, x + s * 1.3, y + s * 0.1, x, y + s * 0.9);
  cairo_close_path(cr_);
}

void Pen::Eye(double x, double y, double r) {
  Circle(x, y, r);
  Fill("ink");
  cairo_new_path(cr_);
  // A glint keeps the eye alive in both pictures, where it is big enough to see.
  double dx = r, dy = 0;
  cairo_user_to_device_distance(cr_, &dx, &dy);
  if (std::hypot(dx, dy) >= 3.0) {
    Circle(x + r * 0.35, y - r * 0.35, r * 0.35);
    Fill("white");
    cairo_new_path(cr_);
  }
}

void Pen::Smile(double x, double y, double r) {
  cairo_new_sub_path(cr_);
  cairo_arc(cr_, x, y - r * 0.5, r, kPi * 0.2, kPi * 0.8);
  Stroke(0.8);
}

namespace {

using Drawer = void (*)(Pen&);

void Cat(Pen& p) {
  cairo_t* cr = p.cr();
  // Tail first, behind the body.
  cairo_move_to(cr, 140, 170);
  cairo_curve_to(cr, 195, 165, 190, 100, 170, 95);
  cairo_curve_to(cr, 180, 115, 180, 150, 135, 155);
  cairo_close_path(cr);
  p.Shape("orange");
  p.Ellipse(100, 145, 50, 42);
  p.Shape("orange");
  p.Poly({{60, 62}, {62, 18}, {92, 45}});
  p.Shape("orange");
  p.Poly({{140, 62}, {138, 18}, {108, 45}});
  p.Shape("orange");
  p.Circle(100, 72, 42);
  p.Shape("orange");
  p.Poly({{67, 55}, {68, 32}, {84, 47}});
  p.Shape("pink", 0.6);
  p.Poly({{133, 55}, {132, 32}, {116, 47}});
  p.Shape("pink", 0.6);
  p.Eye(84, 68, 6);
  p.Eye(116, 68, 6);
  p.Poly({{94, 82}, {106, 82}, {100, 89}});
  p.Shape("pink", 0.6);
  p.Smile(100, 96, 8);
  for (int s : {-1, 1}) {
    cairo_move_to(cr, 100 + s * 18, 86);
    cairo_line_to(cr, 100 + s * 48, 80);
    cairo_move_to(cr, 100 + s * 18, 91);
    cairo_line_to(cr, 100 + s * 48, 94);
    p.Stroke(0.5);
  }
  p.Ellipse(78, 182, 14, 8);
  p.Shape("orange");
  p.Ellipse(122, 182, 14, 8);
  p.Shape("orange");
}

void Dog(Pen& p) {
  cairo_t* cr = p.cr();
  cairo_move_to(cr, 150, 120);
  cairo_curve_to(cr, 175, 110, 185, 85, 180, 70);
  cairo_curve_to(cr, 190, 90, 185, 120, 155, 135);
  cairo_close_path(cr);
  p.Shape("brown");
  p.RoundRect(55, 150, 22, 40, 8);
  p.Shape("tan");
  p.RoundRect(125, 150, 22, 40, 8);
  p.Shape("tan");
  p.Ellipse(100, 135, 58, 35);
  p.Shape("tan");
  p.Circle(75, 75, 40);
  p.Shape("tan");
  p.Ellipse(42, 78, 14, 30);
  p.Shape("brown");
  p.Ellipse(108, 78, 14, 30);
  p.Shape("brown");
  p.Ellipse(75, 98, 20, 14);
  p.Shape("cream", 0.7);
  p.Ellipse(75, 90, 8, 6);
  p.Fill("ink");
  cairo_new_path(cr);
  p.Eye(62, 68, 5);
  p.Eye(88, 68, 5);
  p.Smile(75, 106, 7);
  p.Ellipse(118, 135, 16, 12);
  p.Shape("brown", 0.6);
}

void Cow(Pen& p) {
  for (int x : {55, 80, 120, 145}) {
    p.RoundRect(x - 9, 140, 18, 48, 6);
    p.Shape("white");
    p.RoundRect(x - 10, 178, 20, 12, 4);
    p.Shape("ink");
  }
  p.RoundRect(35, 90, 130, 65, 28);
  p.Shape("white");
  p.Ellipse(75, 110, 16, 12);
  p.Shape("brown", 0.6);
  p.Ellipse(130, 125, 18, 14);
  p.Shape("brown", 0.6);
  p.Ellipse(52, 150, 14, 9);
  p.Shape("pink", 0.7);
  p.Poly({{28, 55}, {16, 38}, {38, 48}});
  p.Shape("tan");
  p.Poly({{72, 55}, {84, 38}, {62, 48}});
  p.Shape("tan");
  p.Ellipse(22, 68, 14, 8);
  p.Shape("white");
  p.Ellipse(78, 68, 14, 8);
  p.Shape("white");
  p.Ellipse(50, 78, 28, 32);
  p.Shape("white");
  p.Ellipse(50, 100, 24, 15);
  p.Shape("pink");
  p.Circle(42, 100, 3.5);
  p.Fill("ink");
  cairo_new_path(p.cr());
  p.Circle(58, 100, 3.5);
  p.Fill("ink");
  cairo_new_path(p.cr());
  p.Eye(40, 72, 5);
  p.Eye(60, 72, 5);
  cairo_move_to(p.cr(), 165, 100);
  cairo_curve_to(p.cr(), 185, 110, 180, 140, 185, 150);
  p.Stroke(0.8);
}

void Pig(Pen& p) {
  for (int x : {60, 85, 120, 145}) {
    p.RoundRect(x - 10, 140, 20, 45, 7);
    p.Shape("pink");
  }
  cairo_move_to(p.cr(), 172, 110);
  cairo_curve_to(p.cr(), 195, 100, 195, 125, 182, 122);
  cairo_curve_to(p.cr(), 172, 118, 185, 100, 192, 105);
  p.Stroke(0.8);
  p.Ellipse(108, 118, 68, 45);
  p.Shape("pink");
  p.Poly({{30, 60}, {38, 28}, {58, 52}});
  p.Shape("pink");
  p.Poly({{86, 58}, {84, 26}, {64, 50}});
  p.Shape("pink");
  p.Circle(58, 85, 36);
  p.Shape("pink");
  p.Ellipse(52, 100, 18, 13);
  p.Shape("pink");
  p.Ellipse(46, 100, 3, 4);
  p.Fill("ink");
  cairo_new_path(p.cr());
  p.Ellipse(58, 100, 3, 4);
  p.Fill("ink");
  cairo_new_path(p.cr());
  p.Eye(44, 75, 5);
  p.Eye(72, 75, 5);
  // Mud at its feet.
  p.Ellipse(110, 188, 80, 8);
  p.Shape("brown", 0.7);
}

void Duck(Pen& p) {
  cairo_t* cr = p.cr();
  cairo_move_to(cr, 30, 120);
  cairo_curve_to(cr, 30, 175, 165, 180, 175, 125);
  cairo_curve_to(cr, 180, 110, 175, 95, 185, 85);
  cairo_curve_to(cr, 150, 95, 130, 115, 95, 115);
  cairo_close_path(cr);
  p.Shape("yellow");
  cairo_move_to(cr, 95, 130);
  cairo_curve_to(cr, 110, 160, 145, 150, 150, 130);
  p.Stroke(0.8);
  p.Circle(60, 85, 32);
  p.Shape("yellow");
  p.Poly({{22, 84}, {0, 92}, {22, 100}, {35, 94}});
  p.Shape("orange");
  p.Eye(58, 76, 5);
}

void Apple(Pen& p) {
  cairo_t* cr = p.cr();
  cairo_move_to(cr, 100, 55);
  cairo_curve_to(cr, 60, 30, 15, 60, 25, 115);
  cairo_curve_to(cr, 35, 170, 75, 195, 100, 180);
  cairo_curve_to(cr, 125, 195, 165, 170, 175, 115);
  cairo_curve_to(cr, 185, 60, 140, 30, 100, 55);
  cairo_close_path(cr);
  p.Shape("red");
  p.RoundRect(95, 20, 10, 40, 4);
  p.Shape("brown");
  cairo_move_to(cr, 105, 35);
  cairo_curve_to(cr, 120, 10, 150, 15, 155, 25);
  cairo_curve_to(cr, 140, 45, 115, 45, 105, 35);
  cairo_close_path(cr);
  p.Shape("green");
  p.Ellipse(60, 90, 10, 18);
  p.Fill("white");
  cairo_new_path(cr);
}

void Banana(Pen& p) {
  cairo_t* cr = p.cr();
  cairo_move_to(cr, 30, 50);
  cairo_curve_to(cr, 20, 140, 110, 190, 180, 140);
  cairo_curve_to(cr, 185, 135, 182, 125, 175, 128);
  cairo_curve_to(cr, 110, 160, 55, 120, 50, 50);
  cairo_close_path(cr);
  p.Shape("yellow");
  p.RoundRect(28, 30, 20, 24, 5);
  p.Shape("brown");
  cairo_move_to(cr, 42, 70);
  cairo_curve_to(cr, 50, 125, 100, 155, 160, 142);
  p.Stroke(0.6);
}

void Pear(Pen& p) {
  cairo_t* cr = p.cr();
  cairo_move_to(cr, 100, 40);
  cairo_curve_to(cr, 70, 40, 72, 90, 55, 110);
  cairo_curve_to(cr, 25, 150, 45, 192, 100, 192);
  cairo_curve_to(cr, 155, 192, 175, 150, 145, 110);
  cairo_curve_to(cr, 128, 90, 130, 40, 100, 40);
  cairo_close_path(cr);
  p.Shape("lime");
  p.RoundRect(96, 15, 8, 30, 3);
  p.Shape("brown");
  cairo_move_to(cr, 104, 28);
  cairo_curve_to(cr, 115, 8, 140, 10, 145, 18);
  cairo_curve_to(cr, 132, 35, 112, 36, 104, 28);
  cairo_close_path(cr);
  p.Shape("green");
  p.Ellipse(72, 140, 8, 16);
  p.Fill("white");
  cairo_new_path(cr);
}

void Cherries(Pen& p) {
  cairo_t* cr = p.cr();
  cairo_move_to(cr, 55, 140);
  cairo_curve_to(cr, 70, 90, 100, 50, 115, 25);
  cairo_move_to(cr, 145, 150);
  cairo_curve_to(cr, 140, 100, 125, 50, 115, 25);
  p.Stroke(1.0);
  cairo_move_to(cr, 115, 25);
  cairo_curve_to(cr, 135, 5, 165, 15, 170, 25);
  cairo_curve_to(cr, 150, 40, 125, 38, 115, 25);
  cairo_close_path(cr);
  p.Shape("green");
  p.Circle(55, 150, 35);
  p.Shape("red");
  p.Circle(145, 158, 35);
  p.Shape("red");
  p.Circle(45, 138, 7);
  p.Fill("white");
  cairo_new_path(cr);
  p.Circle(135, 146, 7);
  p.Fill("white");
  cairo_new_path(cr);
}

// One cherry on its own stalk, for counting cherries one by one.
void Cherry(Pen& p) {
  cairo_t* cr = p.cr();
  cairo_move_to(cr, 100, 100);
  cairo_curve_to(cr, 100, 70, 110, 40, 125, 22);
  p.Stroke(1.0);
  cairo_move_to(cr, 125, 22);
  cairo_curve_to(cr, 140, 5, 170, 12, 175, 22);
  cairo_curve_to(cr, 155, 38, 135, 36, 125, 22);
  cairo_close_path(cr);
  p.Shape("green");
  p.Circle(100, 140, 52);
  p.Shape("red");
  p.Circle(82, 122, 10);
  p.Fill("white");
  cairo_new_path(cr);
}

void Sun(Pen& p) {
  for (int i = 0; i < 12; ++i) {
    const double a = i * kPi / 6;
    const double c = std::cos(a), s = std::sin(a);
    const double w = 0.22;
    p.Poly({{100 + 62 * std::cos(a - w), 100 + 62 * std::sin(a - w)},
            {100 + 95 * c, 100 + 95 * s},
            {100 + 62 * std::cos(a + w), 100 + 62 * std::sin(a + w)}});
    p.Shape("orange");
  }
  p.Circle(100, 100, 62);
  p.Shape("yellow");
  p.Eye(80, 88, 7);
  p.Eye(120, 88, 7);
  p.Smile(100, 118, 22);
  p.Circle(68, 115, 8);
  p.Fill("pink");
  cairo_new_path(p.cr());
  p.Circle(132, 115, 8);
  p.Fill("pink");
  cairo_new_path(p.cr());
}

void CloudShape(Pen& p, double x, double y, double s, const std::string& colour) {
  cairo_t* cr = p.cr();
  cairo_new_sub_path(cr);
  cairo_move_to(cr, x - 60 * s, y + 25 * s);
  cairo_curve_to(cr, x - 90 * s, y + 25 * s, x - 85 * s, y - 20 * s, x - 55 * s, y - 15 * s);
  cairo_curve_to(cr, x - 55 * s, y - 50 * s, x - 5 * s, y - 55 * s, x + 5 * s, y - 30 * s);
  cairo_curve_to(cr, x + 20 * s, y - 55 * s, x + 70 * s, y - 45 * s, x + 60 * s, y - 10 * s);
  cairo_curve_to(cr, x + 95 * s, y - 10 * s, x + 95 * s, y + 25 * s, x + 60 * s, y + 25 * s);
  cairo_close_path(cr);
  p.Shape(colour);
}

void Drop(Pen& p, double x, double y, double s) {
  cairo_t* cr = p.cr();
  cairo_new_sub_path(cr);
  cairo_move_to(cr, x, y - 14 * s);
  cairo_curve_to(cr, x + 4 * s, y - 4 * s, x + 9 * s, y, x + 9 * s, y + 6 * s);
  cairo_arc(cr, x, y + 6 * s, 9 * s, 0, kPi);
  cairo_curve_to(cr, x - 9 * s, y, x - 4 * s, y - 4 * s, x, y - 14 * s);
  cairo_close_path(cr);
  p.Shape("blue", 0.8);
}

void Rain(Pen& p) {
  CloudShape(p, 100, 65, 1.0, "grey");
  p.Eye(82, 62, 5);
  p.Eye(118, 62, 5);
  p.Smile(100, 80, 8);
  const double drops[][2] = {{50, 120}, {85, 140},  {120, 118}, {155, 138},
                             {65, 172}, {105, 180}, {140, 170}};
  for (const auto& d : drops) Drop(p, d[0], d[1], 1.0);
}

void Snowman(Pen& p) {
  p.Circle(100, 148, 46);
  p.Shape("white");
  p.Circle(100, 75, 32);
  p.Shape("white");
  p.RoundRect(68, 40, 64, 10, 4);
  p.Shape("ink");
  p.RoundRect(78, 8, 44, 36, 4);
  p.Shape("ink");
  p.Eye(89, 68, 4.5);
  p.Eye(111, 68, 4.5);
  p.Poly({{100, 78}, {132, 84}, {100, 88}});
  p.Shape("orange", 0.7);
  p.Smile(100, 96, 10);
  p.RoundRect(64, 100, 72, 14, 6);
  p.Shape("red");
  p.RoundRect(110, 100, 14, 40, 5);
  p.Shape("red");
  for (int y : {135, 155, 175}) {
    p.Circle(100, y, 4.5);
    p.Fill("ink");
    cairo_new_path(p.cr());
  }
  cairo_move_to(p.cr(), 58, 135);
  cairo_line_to(p.cr(), 20, 110);
  cairo_move_to(p.cr(), 142, 135);
  cairo_line_to(p.cr(), 180, 110);
  cairo_set_source_rgb(p.cr(), 0, 0, 0);
  p.Stroke(1.2);
}

void Rainbow(Pen& p) {
  static const char* kBands[] = {"red", "orange", "yellow", "green", "blue", "purple"};
  cairo_t* cr = p.cr();
  for (int i = 0; i < 6; ++i) {
    const double r1 = 95 - i * 10, r2 = r1 - 10;
    cairo_new_sub_path(cr);
    cairo_arc(cr, 100, 150, r1, kPi, 2 * kPi);
    cairo_arc_negative(cr, 100, 150, r2, 2 * kPi, kPi);
    cairo_close_path(cr);
    p.Shape(kBands[i], 0.7);
  }
  CloudShape(p, 20, 150, 0.45, "white");
  CloudShape(p, 180, 150, 0.45, "white");
}

void House(Pen& p) {
  p.RoundRect(130, 25, 22, 45, 2);
  p.Shape("brown");
  p.RoundRect(35, 90, 130, 100, 2);
  p.Shape("yellow");
  p.Poly({{20, 95}, {100, 25}, {180, 95}});
  p.Shape("red");
  p.RoundRect(85, 130, 32, 60, 3);
  p.Shape("blue");
  p.Circle(110, 162, 3);
  p.Fill("ink");
  cairo_new_path(p.cr());
  for (int x : {48, 128}) {
    p.RoundRect(x, 112, 26, 26, 2);
    p.Shape("sky");
    cairo_move_to(p.cr(), x + 13, 112);
    cairo_line_to(p.cr(), x + 13, 138);
    cairo_move_to(p.cr(), x, 125);
    cairo_line_to(p.cr(), x + 26, 125);
    p.Stroke(0.6);
  }
  p.Circle(100, 70, 10);
  p.Shape("sky", 0.8);
}

void Teddy(Pen& p) {
  p.Circle(62, 32, 16);
  p.Shape("brown");
  p.Circle(138, 32, 16);
  p.Shape("brown");
  p.Ellipse(45, 150, 20, 30);
  p.Shape("brown");
  p.Ellipse(155, 150, 20, 30);
  p.Shape("brown");
  p.Ellipse(70, 182, 22, 14);
  p.Shape("brown");
  p.Ellipse(130, 182, 22, 14);
  p.Shape("brown");
  p.Ellipse(100, 140, 45, 48);
  p.Shape("brown");
  p.Ellipse(100, 148, 26, 28);
  p.Shape("tan", 0.7);
  p.Circle(100, 68, 42);
  p.Shape("brown");
  p.Ellipse(100, 84, 18, 13);
  p.Shape("tan", 0.7);
  p.Ellipse(100, 78, 7, 5);
  p.Fill("ink");
  cairo_new_path(p.cr());
  p.Eye(84, 60, 5);
  p.Eye(116, 60, 5);
  p.Smile(100, 92, 6);
  p.Heart(100, 150, 14);
  p.Shape("red", 0.6);
}

void Ball(Pen& p) {
  static const char* kParts[] = {"red", "yellow", "blue", "white", "green", "yellow"};
  cairo_t* cr = p.cr();
  for (int i = 0; i < 6; ++i) {
    cairo_move_to(cr, 100, 100);
    cairo_arc(cr, 100, 100, 85, i * kPi / 3 - kPi / 2, (i + 1) * kPi / 3 - kPi / 2);
    cairo_close_path(cr);
    p.Shape(kParts[i], 0.8);
  }
  p.Circle(100, 100, 85);
  p.Stroke();
  p.Circle(100, 100, 14);
  p.Shape("white", 0.8);
}

void Car(Pen& p) {
  cairo_t* cr = p.cr();
  cairo_move_to(cr, 50, 95);
  cairo_line_to(cr, 70, 55);
  cairo_line_to(cr, 135, 55);
  cairo_line_to(cr, 160, 95);
  cairo_close_path(cr);
  p.Shape("red");
  p.Poly({{77, 62}, {98, 62}, {98, 92}, {62, 92}});
  p.Shape("sky", 0.7);
  p.Poly({{108, 62}, {130, 62}, {148, 92}, {108, 92}});
  p.Shape("sky", 0.7);
  p.RoundRect(15, 90, 175, 50, 16);
  p.Shape("red");
  p.RoundRect(170, 102, 20, 12, 4);
  p.Shape("yellow", 0.6);
  for (int x : {55, 150}) {
    p.Circle(x, 140, 24);
    p.Shape("ink");
    p.Circle(x, 140, 10);
    p.Shape("grey", 0.6);
  }
}

void Train(Pen& p) {
  CloudShape(p, 50, 22, 0.3, "ltgrey");
  p.RoundRect(38, 45, 24, 40, 3);
  p.Shape("red");
  p.RoundRect(20, 80, 110, 65, 8);
  p.Shape("blue");
  p.RoundRect(110, 40, 75, 105, 6);
  p.Shape("red");
  p.RoundRect(105, 32, 85, 14, 4);
  p.Shape("ink");
  p.RoundRect(125, 55, 45, 35, 4);
  p.Shape("sky", 0.7);
  p.Poly({{20, 140}, {0, 165}, {20, 165}});
  p.Shape("yellow", 0.7);
  for (int x : {45, 95, 150}) {
    p.Circle(x, 160, 22);
    p.Shape("yellow");
    p.Circle(x, 160, 6);
    p.Fill("ink");
    cairo_new_path(p.cr());
  }
  cairo_move_to(p.cr(), 45, 160);
  cairo_line_to(p.cr(), 150, 160);
  p.Stroke(0.8);
}

void Boat(Pen& p) {
  cairo_t* cr = p.cr();
  p.RoundRect(96, 15, 8, 130, 3);
  p.Shape("brown");
  p.Poly({{108, 20}, {108, 130}, {180, 130}});
  p.Shape("white");
  p.Poly({{92, 35}, {92, 130}, {35, 130}});
  p.Shape("yellow");
  p.Poly({{104, 15}, {130, 22}, {104, 30}});
  p.Shape("red", 0.7);
  cairo_move_to(cr, 15, 135);
  cairo_line_to(cr, 185, 135);
  cairo_line_to(cr, 155, 180);
  cairo_line_to(cr, 45, 180);
  cairo_close_path(cr);
  p.Shape("red");
  for (int x : {70, 100, 130}) {
    p.Circle(x, 155, 7);
    p.Shape("white", 0.6);
  }
}

void Plane(Pen& p) {
  cairo_t* cr = p.cr();
  p.Poly({{80, 95}, {115, 95}, {75, 20}, {58, 20}});
  p.Shape("red");
  p.Poly({{20, 95}, {40, 95}, {30, 55}, {12, 55}});
  p.Shape("red");
  cairo_move_to(cr, 15, 90);
  cairo_line_to(cr, 150, 90);
  cairo_curve_to(cr, 195, 90, 195, 125, 150, 125);
  cairo_line_to(cr, 30, 125);
  cairo_close_path(cr);
  p.Shape("white");
  for (int x : {60, 85, 110, 135}) {
    p.Circle(x, 106, 7);
    p.Shape("sky", 0.6);
  }
  p.Poly({{80, 118}, {115, 118}, {75, 185}, {58, 185}});
  p.Shape("red");
}

void Fish(Pen& p) {
  cairo_t* cr = p.cr();
  p.Poly({{140, 100}, {190, 60}, {185, 100}, {190, 140}});
  p.Shape("orange");
  p.Poly({{80, 60}, {100, 35}, {125, 68}});
  p.Shape("yellow");
  cairo_move_to(cr, 20, 100);
  cairo_curve_to(cr, 50, 40, 130, 40, 155, 100);
  cairo_curve_to(cr, 130, 160, 50, 160, 20, 100);
  cairo_close_path(cr);
  p.Shape("orange");
  cairo_move_to(cr, 95, 62);
  cairo_curve_to(cr, 110, 80, 110, 120, 95, 138);
  p.Stroke(0.7);
  p.Eye(52, 92, 7);
  p.Smile(40, 118, 6);
  p.Circle(168, 40, 8);
  p.Shape("white", 0.6);
  p.Circle(180, 18, 5);
  p.Shape("white", 0.6);
}

void Crab(Pen& p) {
  cairo_t* cr = p.cr();
  for (int s : {-1, 1}) {
    for (int i = 0; i < 3; ++i) {
      cairo_move_to(cr, 100 + s * 45, 125 + i * 12);
      cairo_line_to(cr, 100 + s * 80, 140 + i * 16);
      cairo_line_to(cr, 100 + s * 88, 170 + i * 8);
    }
    p.Stroke(1.2);
    cairo_move_to(cr, 100 + s * 40, 105);
    cairo_line_to(cr, 100 + s * 70, 70);
    p.Stroke(1.2);
    p.Circle(100 + s * 75, 55, 22);
    p.Shape("orange");
    p.Poly({{100 + s * 75.0, 55}, {100 + s * 100.0, 30}, {100 + s * 95.0, 60}});
    p.Shape("white", 0.8);
    cairo_move_to(cr, 100 + s * 15, 95);
    cairo_line_to(cr, 100 + s * 20, 65);
    p.Stroke(0.8);
    p.Circle(100 + s * 20, 60, 8);
    p.Shape("white", 0.7);
    p.Circle(100 + s * 20, 60, 4);
    p.Fill("ink");
    cairo_new_path(cr);
  }
  p.Ellipse(100, 125, 55, 36);
  p.Shape("orange");
  p.Smile(100, 132, 12);
}

void Whale(Pen& p) {
  cairo_t* cr = p.cr();
  // The spout.
  cairo_move_to(cr, 75, 55);
  cairo_curve_to(cr, 70, 30, 50, 25, 40, 35);
  cairo_move_to(cr, 75, 55);
  cairo_curve_to(cr, 80, 30, 100, 25, 110, 35);
  cairo_move_to(cr, 75, 55);
  cairo_line_to(cr, 75, 20);
  p.Stroke(1.0);
  for (double x : {40.0, 110.0, 75.0}) {
    Drop(p, x, x == 75.0 ? 14 : 40, 0.6);
  }
  cairo_move_to(cr, 15, 120);
  cairo_curve_to(cr, 15, 50, 135, 50, 155, 110);
  cairo_curve_to(cr, 165, 100, 170, 80, 190, 70);
  cairo_curve_to(cr, 185, 95, 195, 120, 190, 140);
  cairo_curve_to(cr, 175, 130, 165, 125, 155, 130);
  cairo_curve_to(cr, 130, 175, 15, 175, 15, 120);
  cairo_close_path(cr);
  p.Shape("blue");
  cairo_move_to(cr, 25, 130);
  cairo_curve_to(cr, 60, 150, 110, 150, 145, 130);
  cairo_curve_to(cr, 120, 165, 45, 168, 25, 130);
  cairo_close_path(cr);
  p.Shape("sky", 0.7);
  p.Eye(50, 108, 6);
  p.Smile(38, 130, 8);
}

void Starfish(Pen& p) {
  p.Star(100, 108, 90, 38, 5);
  p.Shape("orange");
  for (int i = 0; i < 5; ++i) {
    const double a = -kPi / 2 + i * 2 * kPi / 5;
    for (double r : {30.0, 50.0, 68.0}) {
      p.Circle(100 + r * std::cos(a), 108 + r * std::sin(a), 4);
      p.Shape("yellow", 0.5);
    }
  }
  p.Eye(88, 102, 5);
  p.Eye(112, 102, 5);
  p.Smile(100, 122, 8);
}

void Flower(Pen& p) {
  cairo_t* cr = p.cr();
  p.RoundRect(95, 95, 10, 100, 4);
  p.Shape("green");
  cairo_move_to(cr, 100, 160);
  cairo_curve_to(cr, 70, 130, 40, 140, 35, 150);
  cairo_curve_to(cr, 55, 170, 85, 170, 100, 160);
  cairo_close_path(cr);
  p.Shape("green");
  cairo_move_to(cr, 100, 140);
  cairo_curve_to(cr, 130, 110, 160, 120, 165, 130);
  cairo_curve_to(cr, 145, 150, 115, 150, 100, 140);
  cairo_close_path(cr);
  p.Shape("green");
  for (int i = 0; i < 6; ++i) {
    const double a = i * kPi / 3;
    p.Circle(100 + 38 * std::cos(a), 62 + 38 * std::sin(a), 24);
    p.Shape(i % 2 ? "pink" : "red");
  }
  p.Circle(100, 62, 24);
  p.Shape("yellow");
  p.Eye(92, 58, 4);
  p.Eye(108, 58, 4);
  p.Smile(100, 72, 7);
}

void Tree(Pen& p) {
  cairo_t* cr = p.cr();
  cairo_move_to(cr, 85, 195);
  cairo_line_to(cr, 90, 110);
  cairo_line_to(cr, 110, 110);
  cairo_line_to(cr, 115, 195);
  cairo_close_path(cr);
  p.Shape("brown");
  cairo_new_sub_path(cr);
  cairo_arc(cr, 60, 95, 38, 0, 2 * kPi);
  cairo_new_sub_path(cr);
  cairo_arc(cr, 140, 95, 38, 0, 2 * kPi);
  cairo_new_sub_path(cr);
  cairo_arc(cr, 100, 55, 48, 0, 2 * kPi);
  cairo_new_sub_path(cr);
  cairo_arc(cr, 100, 105, 40, 0, 2 * kPi);
  cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
  // Stroke the outline of the union: stroke all, then fill over the insides.
  p.Stroke();
  cairo_arc(cr, 60, 95, 38, 0, 2 * kPi);
  cairo_new_sub_path(cr);
  cairo_arc(cr, 140, 95, 38, 0, 2 * kPi);
  cairo_new_sub_path(cr);
  cairo_arc(cr, 100, 55, 48, 0, 2 * kPi);
  cairo_new_sub_path(cr);
  cairo_arc(cr, 100, 105, 40, 0, 2 * kPi);
  p.Fill("green");
  cairo_new_path(cr);
  for (const auto& a : {std::pair{70.0, 85.0}, {125.0, 70.0}, {105.0, 115.0}, {145.0, 105.0}}) {
    p.Circle(a.first, a.second, 8);
    p.Shape("red", 0.6);
  }
}

void Butterfly(Pen& p) {
  cairo_t* cr = p.cr();
  for (int s : {-1, 1}) {
    p.Ellipse(100 + s * 45, 65, 45, 40);
    p.Shape("purple");
    p.Ellipse(100 + s * 38, 140, 32, 30);
    p.Shape("pink");
    p.Circle(100 + s * 50, 62, 14);
    p.Shape("yellow", 0.6);
    p.Circle(100 + s * 38, 142, 10);
    p.Shape("yellow", 0.6);
    cairo_move_to(cr, 100 + s * 4, 50);
    cairo_curve_to(cr, 100 + s * 8, 25, 100 + s * 20, 15, 100 + s * 30, 15);
    p.Stroke(0.7);
    p.Circle(100 + s * 30, 15, 5);
    p.Fill("ink");
    cairo_new_path(cr);
  }
  p.Ellipse(100, 105, 12, 60);
  p.Shape("brown");
}

void Snail(Pen& p) {
  cairo_t* cr = p.cr();
  cairo_move_to(cr, 20, 175);
  cairo_line_to(cr, 170, 175);
  cairo_curve_to(cr, 185, 175, 190, 150, 180, 110);
  cairo_curve_to(cr, 175, 95, 160, 100, 160, 115);
  cairo_line_to(cr, 158, 150);
  cairo_line_to(cr, 30, 155);
  cairo_curve_to(cr, 15, 158, 12, 175, 20, 175);
  cairo_close_path(cr);
  p.Shape("tan");
  for (int s : {0, 1}) {
    cairo_move_to(cr, 165 + s * 12, 105);
    cairo_line_to(cr, 160 + s * 22, 75);
    p.Stroke(0.7);
    p.Circle(160 + s * 22, 72, 5);
    p.Fill("ink");
    cairo_new_path(cr);
  }
  p.Smile(176, 130, 6);
  p.Circle(90, 105, 58);
  p.Shape("orange");
  cairo_new_sub_path(cr);
  for (int i = 0; i <= 60; ++i) {
    const double t = i / 60.0 * 4.2 * kPi;
    const double r = 48 * (1 - i / 66.0);
    const double x = 90 + r * std::cos(t + kPi), y = 105 + r * std::sin(t + kPi);
    if (i == 0)
      cairo_move_to(cr, x, y);
    else
      cairo_line_to(cr, x, y);
  }
  p.Stroke(0.8);
}

void Face(Pen& p, double x, double y, double s) {
  p.Eye(x - 18 * s, y - 8 * s, 6 * s);
  p.Eye(x + 18 * s, y - 8 * s, 6 * s);
  p.Smile(x, y + 14 * s, 14 * s);
}

void CircleShape(Pen& p) {
  p.Circle(100, 100, 85);
  p.Shape("red");
  Face(p, 100, 100, 1.3);
}

void SquareShape(Pen& p) {
  p.RoundRect(20, 20, 160, 160, 6);
  p.Shape("blue");
  Face(p, 100, 100, 1.3);
}

void TriangleShape(Pen& p) {
  p.Poly({{100, 12}, {190, 180}, {10, 180}});
  p.Shape("green");
  Face(p, 100, 125, 1.1);
}

void StarShape(Pen& p) {
  p.Star(100, 108, 95, 40, 5);
  p.Shape("yellow");
  Face(p, 100, 108, 1.0);
}

void HeartShape(Pen& p) {
  p.Heart(100, 95, 95);
  p.Shape("red");
  Face(p, 100, 85, 1.1);
}

const std::map<std::string, Drawer>& Drawers() {
  static const std::map<std::string, Drawer> kDrawers = {
      {"cat", Cat},
      {"dog", Dog},
      {"cow", Cow},
      {"pig", Pig},
      {"duck", Duck},
      {"apple", Apple},
      {"banana", Banana},
      {"pear", Pear},
      {"cherries", Cherries},
      {"cherry", Cherry},
      {"sun", Sun},
      {"rain", Rain},
      {"snowman", Snowman},
      {"rainbow", Rainbow},
      {"house", House},
      {"teddy", Teddy},
      {"ball", Ball},
      {"car", Car},
      {"train", Train},
      {"boat", Boat},
      {"plane", Plane},
      {"fish", Fish},
      {"crab", Crab},
      {"whale", Whale},
      {"starfish", Starfish},
      {"flower", Flower},
      {"tree", Tree},
      {"butterfly", Butterfly},
      {"snail", Snail},
      {"circle", CircleShape},
      {"square", SquareShape},
      {"triangle", TriangleShape},
      {"star", StarShape},
      {"heart", HeartShape},
  };
  return kDrawers;
}

enum class Backdrop { Meadow, Sea, Pond, Sky, Snow, Room, Sand, Plain };

Backdrop BackdropOf(const std::string& subject) {
  static const std::map<std::string, Backdrop> kBackdrops = {
      {"duck", Backdrop::Pond},      {"boat", Backdrop::Sea},      {"fish", Backdrop::Sea},
      {"whale", Backdrop::Sea},      {"crab", Backdrop::Sand},     {"starfish", Backdrop::Sand},
      {"sun", Backdrop::Sky},        {"rain", Backdrop::Sky},      {"rainbow", Backdrop::Sky},
      {"plane", Backdrop::Sky},      {"butterfly", Backdrop::Sky}, {"snowman", Backdrop::Snow},
      {"teddy", Backdrop::Room},     {"ball", Backdrop::Room},     {"apple", Backdrop::Plain},
      {"banana", Backdrop::Plain},   {"pear", Backdrop::Plain},    {"cherries", Backdrop::Plain},
      {"cherry", Backdrop::Plain},   {"circle", Backdrop::Plain},  {"square", Backdrop::Plain},
      {"triangle", Backdrop::Plain}, {"star", Backdrop::Plain},    {"heart", Backdrop::Plain},
  };
  auto it = kBackdrops.find(subject);
  return it == kBackdrops.end() ? Backdrop::Meadow : it->second;
}

void Wave(cairo_t* cr, double y, double w, double amp, double step) {
  cairo_move_to(cr, -10, y);
  for (double x = -10; x < w + 10; x += step)
    cairo_curve_to(cr, x + step * 0.25, y - amp, x + step * 0.75, y - amp, x + step, y);
}

// The top of the ground that things stand on; past the page for backdrops
// without one.
double GroundLevel(Backdrop b, int h) {
  switch (b) {
    case Backdrop::Meadow:
      return h * 0.78;
    case Backdrop::Snow:
      return h * 0.82;
    case Backdrop::Room:
      return h * 0.75;
    default:
      return h + 1.0;
  }
}

// The water's surface (the troughs of its waves).
double WaterLevel(Backdrop b, int h) { return b == Backdrop::Pond ? h * 0.62 : h * 0.3; }

}  // namespace

bool KnownSubject(const std::string& subject) { return Drawers().count(subject) != 0; }

bool DrawSubject(Pen& pen, const std::string& subject) {
  auto it = Drawers().find(subject);
  if (it == Drawers().end()) return false;
  cairo_save(pen.cr());
  it->second(pen);
  cairo_restore(pen.cr());
  cairo_new_path(pen.cr());
  return true;
}

void DrawBackdrop(Pen& p, const std::string& subject, int w, int h, int count, double groundY) {
  cairo_t* cr = p.cr();
  const Backdrop b = BackdropOf(subject);
  const double ground = groundY >= 0 ? groundY : GroundLevel(b, h);
  auto fillGround = [&](double y, const std::string& colour) {
    cairo_move_to(cr, -10, y);
    cairo_line_to(cr, w + 10, y);
    cairo_line_to(cr, w + 10, h + 10);
    cairo_line_to(cr, -10, h + 10);
    cairo_close_path(cr);
    p.Shape(colour);
  };
  auto sky = [&](const std::string& colour) {
    cairo_rectangle(cr, 0, 0, w, h);
    p.Fill(colour);
    cairo_new_path(cr);
  };
  switch (b) {
    case Backdrop::Meadow:
      sky("sky");
      fillGround(ground, "lime");
      break;
    case Backdrop::Sky:
      sky("sky");
      if (count == 1) {
        CloudShape(p, w * 0.12, h * 0.15, 0.5, "white");
        CloudShape(p, w * 0.88, h * 0.85, 0.5, "white");
      }
      break;
    case Backdrop::Snow:
      sky("sky");
      fillGround(ground, "white");
      for (int i = 0; i < 14; ++i) {
        p.Circle(20 + (i * 97) % (w - 40), 20 + (i * 53) % int(ground * 0.73), 5);
        p.Shape("white", 0.5);
      }
      break;
    case Backdrop::Sea:
    case Backdrop::Pond: {
      sky("sky");
      Wave(cr, WaterLevel(b, h), w, 8, 60);
      cairo_line_to(cr, w + 10, h + 10);
      cairo_line_to(cr, -10, h + 10);
      cairo_close_path(cr);
      p.Shape("sea");
      break;
    }
    case Backdrop::Sand:
      sky("sea");
      fillGround(h * 0.7, "sand");
      break;
    case Backdrop::Room:
      sky("cream");
      fillGround(ground, "tan");
      if (count == 1) {
        cairo_rectangle(cr, w * 0.06, h * 0.1, w * 0.2, h * 0.3);
        p.Shape("sky", 0.8);
      }
      break;
    case Backdrop::Plain:
      sky("cream");
      break;
  }
}

void DrawPage(Pen& pen, const std::string& subject, int count, int w, int h) {
  const Backdrop b = BackdropOf(subject);
  const double margin = 14;
  // A swimmer, bubbles and all, stays wholly under the water.
  const double top = subject == "fish" ? WaterLevel(b, h) + margin : margin;
  const double bottom = h - margin;
  // Rows of copies: counts up to 3 in one row, then two rows (or three for 9).
  const int rows = count <= 3 ? 1 : count == 9 ? 3 : 2;
  const int perRow = (count + rows - 1) / rows;
  const double cell = std::min((w - 2 * margin) / perRow, (bottom - top) / rows);
  const double size = std::min(cell * 0.94, 400.0);
  auto rowTop = [&](int r) {
    return (top + bottom) / 2 - rows * cell / 2 + r * cell + (cell - size) / 2;
  };
  // Things that stand on the ground: with rows of them the ground reaches up
  // to the back row's feet, so that none of them floats in the sky.
  double ground = GroundLevel(b, h);
  if (ground < h && count > 1) ground = std::min(ground, rowTop(0) + size * 0.85);
  DrawBackdrop(pen, subject, w, h, count, ground);
  int left = count;
  for (int r = 0; r < rows; ++r) {
    const int inRow = std::min(perRow, left);
    left -= inRow;
    for (int c = 0; c < inRow; ++c) {
      const double x0 = w / 2.0 - inRow * cell / 2 + c * cell + (cell - size) / 2;
      cairo_save(pen.cr());
      cairo_translate(pen.cr(), x0, rowTop(r));
      cairo_scale(pen.cr(), size / 200, size / 200);
      DrawSubject(pen, subject);
      cairo_restore(pen.cr());
    }
  }
}

void DrawPippa(Pen& p, int pose, bool plain) {
  cairo_t* cr = p.cr();
  // Body and arms, then the head over them. Unit box 200 by 200.
  cairo_move_to(cr, 40, 200);
  cairo_curve_to(cr, 45, 150, 65, 135, 100, 135);
  cairo_curve_to(cr, 135, 135, 155, 150, 160, 200);
  cairo_close_path(cr);
  p.Shape("red");
  if (pose == 1 || pose == 2) {
    // The raised arm, lower or higher.
    const double hx = pose == 1 ? 180 : 182, hy = pose == 1 ? 118 : 78;
    // An arm: a wide ink line with the sleeve's colour inside it.
    cairo_move_to(cr, 145, 160);
    cairo_line_to(cr, hx, hy + 18);
    p.Stroke(5.0);
    cairo_move_to(cr, 145, 160);
    cairo_line_to(cr, hx, hy + 18);
    p.Source("red");
    cairo_save(cr);
    cairo_identity_matrix(cr);
    cairo_set_line_width(cr, p.LineDevice() * 3.0);
    cairo_stroke(cr);
    cairo_restore(cr);
    p.Circle(hx, hy, 17);
    p.Shape("skin");
  }
  // Hair behind the face, with two bunches.
  p.Circle(48, 70, 22);
  p.Shape("brown");
  p.Circle(152, 70, 22);
  p.Shape("brown");
  p.Circle(100, 75, 58);
  p.Shape("brown");
  p.Ellipse(100, 85, 48, 50);
  p.Shape("skin");
  // A fringe.
  if (!plain) {
    cairo_move_to(cr, 52, 75);
    cairo_curve_to(cr, 60, 30, 140, 30, 148, 75);
    cairo_curve_to(cr, 130, 55, 110, 52, 100, 62);
    cairo_curve_to(cr, 90, 52, 70, 55, 52, 75);
    cairo_close_path(cr);
    p.Shape("brown");
  }
  p.Eye(80, 90, 7);
  if (pose == 3) {
    p.Ellipse(120, 90, 8, 3.5);
    p.Shape("ink", 0.5);
  } else if (pose == 4) {
    cairo_move_to(cr, 111, 92);
    cairo_curve_to(cr, 116, 86, 124, 86, 129, 92);
    p.Stroke(1.0);
  } else {
    p.Eye(120, 90, 7);
  }
  if (!plain) {
    p.Circle(70, 110, 7);
    p.Fill("pink");
    cairo_new_path(cr);
    p.Circle(130, 110, 7);
    p.Fill("pink");
    cairo_new_path(cr);
  }
  p.Smile(100, 118, 14);
}

void DrawTitleText(Pen& p, const std::string& text, double x, double y, double size,
                   const std::string& fill, double outline) {
  cairo_t* cr = p.cr();
  cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
  cairo_set_font_size(cr, size);
  cairo_text_extents_t e;
  cairo_text_extents(cr, text.c_str(), &e);
  cairo_move_to(cr, x - e.width / 2 - e.x_bearing, y - e.height / 2 - e.y_bearing);
  cairo_text_path(cr, text.c_str());
  if (outline > 0) {
    p.Stroke(outline * 2);
    cairo_move_to(cr, x - e.width / 2 - e.x_bearing, y - e.height / 2 - e.y_bearing);
    cairo_text_path(cr, text.c_str());
  }
  p.Fill(fill);
  cairo_new_path(cr);
}

}  // namespace content
