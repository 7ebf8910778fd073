// Drawing helpers for the pictures: thick ink outlines around flat fills. The
// same drawing gives the outline picture (fills white) and the colour picture.
#pragma once

#include <cairo.h>

#include <initializer_list>
#include <string>
#include <utility>

#include "tools/content-gen/sources.h"

namespace content {

class Pen {
 public:
  // colour false: every fill but ink is white, giving the line drawing.
  // line: the outline's width in device pixels.
  Pen(cairo_t* cr, const Palette& palette, bool colour, double line);

  cairo_t* cr() const { return cr_; }
  bool colour() const { return colour_; }

  // Fills the current path with a named colour (kept for a stroke).
  void Fill(const std::string& name);
  // Strokes the current path in ink and clears it; width is a multiple of the
  // pen's line.
  void Stroke(double width = 1.0);
  // Fill, then ink outline.
  void Shape(const std::string& name, double width = 1.0) {
    Fill(name);
    Stroke(width);
  }
  // The pen's line in the current user units.
  double Line() const;
  double LineDevice() const { return line_; }

  // Paths (added to the current path).
  void Circle(double x, double y, double r);
  void Ellipse(double x, double y, double rx, double ry);
  void RoundRect(double x, double y, double w, double h, double r);
  void Poly(std::initializer_list<std::pair<double, double>> points);
  void Star(double x, double y, double outer, double inner, int points, double turn = 0);
  void Heart(double x, double y, double size);

  // Small features in ink: an eye, a smile.
  void Eye(double x, double y, double r);
  void Smile(double x, double y, double r);

  // Sets the source to a named colour as it shows in this picture.
  void Source(const std::string& name);
  Rgb ColourOf(const std::string& name) const;

 private:
  cairo_t* cr_;
  const Palette& palette_;
  bool colour_;
  double line_;
};

// Draws a subject into the box (0, 0) to (200, 200) of the current user space.
// Returns false for a subject it does not know.
bool DrawSubject(Pen& pen, const std::string& subject);
bool KnownSubject(const std::string& subject);

// The backdrop a subject stands on: filled behind it across the whole page;
// with many copies on the page it leaves out its own small things. groundY,
// when not negative, moves the top of the ground (grass, snow, floor).
void DrawBackdrop(Pen& pen, const std::string& subject, int width, int height, int count = 1,
                  double groundY = -1);

// A page: the backdrop and count copies of the subject, arranged to fill it,
// each whole and where it belongs (on the ground, under the water).
void DrawPage(Pen& pen, const std::string& subject, int count, int width, int height);

// The book's girl, Pippa: pose 0 at rest, 1 and 2 waving, 3 and 4 winking.
// plain leaves out the cheeks and the fringe, for the smallest pictures.
void DrawPippa(Pen& pen, int pose, bool plain = false);

// Text as filled letters with an ink outline, centred on (x, y).
void DrawTitleText(Pen& pen, const std::string& text, double x, double y, double size,
                   const std::string& fill, double outline = 1.0);

}  // namespace content
