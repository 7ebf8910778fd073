#include "framework/sdl/input_translator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "framework/sdl/cursors.h"
#include "framework/sdl/key_map.h"

namespace {

using fw::InputEvent;
using fw::InputKind;
using fw::MouseButton;

constexpr Uint32 kFrame = 7;
constexpr Uint32 kBox = 9;

// A frame enlarged twice with a one-pixel margin, and an unscaled dialog.
class Translator : public testing::Test {
 protected:
  Translator()
      : t_([this](Uint32 id) -> const fw::sdl::WindowPlacement* {
          if (id == kFrame) return &frame_;
          if (id == kBox) return &box_;
          return nullptr;
        }) {
    frame_ = {kFrame, {2, 1}, 1, 1, 100, 80, 203, 163};
    box_ = {kBox, {1, 1}, 0, 0, 50, 40, 50, 40};
  }

  std::vector<InputEvent> Run(const SDL_Event& e) {
    std::vector<InputEvent> out;
    t_.Translate(e, out);
    return out;
  }
  std::vector<InputEvent> Motion(int x, int y, Uint32 window = kFrame, Uint32 time = 0) {
    SDL_Event e{};
    e.type = SDL_MOUSEMOTION;
    e.motion.windowID = window;
    e.motion.x = x;
    e.motion.y = y;
    e.motion.timestamp = time;
    return Run(e);
  }
  std::vector<InputEvent> Button(bool down, Uint8 button, int x, int y, Uint32 window = kFrame,
                                 Uint32 which = 0) {
    SDL_Event e{};
    e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    e.button.windowID = window;
    e.button.button = button;
    e.button.x = x;
    e.button.y = y;
    e.button.which = which;
    return Run(e);
  }
  std::vector<InputEvent> Key(bool down, SDL_Keycode key, bool repeat = false, Uint32 time = 0) {
    SDL_Event e{};
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.windowID = kFrame;
    e.key.keysym.sym = key;
    e.key.repeat = repeat ? 1 : 0;
    e.key.timestamp = time;
    return Run(e);
  }
  std::vector<InputEvent> Finger(Uint32 type, SDL_FingerID finger, float x, float y,
                                 Uint32 window = kFrame) {
    SDL_Event e{};
    e.type = type;
    e.tfinger.touchId = 1;
    e.tfinger.fingerId = finger;
    e.tfinger.x = x;
    e.tfinger.y = y;
    e.tfinger.windowID = window;
    e.tfinger.timestamp = 500;
    return Run(e);
  }

  fw::sdl::WindowPlacement frame_, box_;
  fw::sdl::InputTranslator t_;
};

TEST_F(Translator, PointerPositionsAreLogicalWithTheTimeTheyWereMade) {
  // Window pixels 21 and 22 are both logical 10 at factor 2 after the margin.
  for (int px : {21, 22}) {
    auto out = Motion(px, 41, kFrame, 1234);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].kind, InputKind::MouseMove);
    EXPECT_EQ(out[0].window, kFrame);
    EXPECT_EQ(out[0].x, 10);
    EXPECT_EQ(out[0].y, 20);
    EXPECT_EQ(out[0].time, 1234u);
  }
  auto out = Motion(200, 160);  // the last logical pixel
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].x, 99);
  EXPECT_EQ(out[0].y, 79);
}

TEST_F(Translator, TheMarginTakesNoPressAndADragEndsAtTheEdge) {
  EXPECT_TRUE(Motion(0, 50).empty());
  EXPECT_TRUE(Button(true, SDL_BUTTON_LEFT, 0, 50).empty());
  EXPECT_TRUE(Button(false, SDL_BUTTON_LEFT, 0, 50).empty()) << "its press was never delivered";
  EXPECT_EQ(t_.buttons(), 0u);

  auto down = Button(true, SDL_BUTTON_LEFT, 11, 11);
  ASSERT_EQ(down.size(), 1u);
  EXPECT_EQ(down[0].kind, InputKind::MouseDown);
  EXPECT_EQ(down[0].button, MouseButton::Left);
  EXPECT_EQ(down[0].buttons, MK_LBUTTON);
  auto drag = Motion(202, 162);  // into the margin with the button held
  ASSERT_EQ(drag.size(), 1u);
  EXPECT_EQ(drag[0].buttons, MK_LBUTTON);
  auto up = Button(false, SDL_BUTTON_LEFT, 202, 162);
  ASSERT_EQ(up.size(), 1u);
  EXPECT_EQ(up[0].kind, InputKind::MouseUp);
  EXPECT_EQ(up[0].x, 99);
  EXPECT_EQ(up[0].y, 79);
  EXPECT_EQ(up[0].buttons, 0u);
}

TEST_F(Translator, ButtonsAndModifiersHeldAreFlagged) {
  Key(true, SDLK_LSHIFT);
  Button(true, SDL_BUTTON_LEFT, 11, 11);
  auto right = Button(true, SDL_BUTTON_RIGHT, 11, 11);
  ASSERT_EQ(right.size(), 1u);
  EXPECT_EQ(right[0].buttons, MK_LBUTTON | MK_RBUTTON);
  EXPECT_EQ(right[0].modifiers, MK_SHIFT);
  // Either Shift key holds Shift; it ends when both are up.
  Key(true, SDLK_RSHIFT);
  Key(false, SDLK_LSHIFT);
  EXPECT_EQ(t_.modifiers(), MK_SHIFT);
  Key(false, SDLK_RSHIFT);
  Key(true, SDLK_RCTRL);
  auto move = Motion(11, 11);
  ASSERT_EQ(move.size(), 1u);
  EXPECT_EQ(move[0].modifiers, MK_CONTROL);
  EXPECT_EQ(move[0].buttons, MK_LBUTTON | MK_RBUTTON);
  // A focus change elsewhere may have released keys unseen.
  t_.SyncModifiers(KMOD_NONE);
  EXPECT_EQ(t_.modifiers(), 0u);
}

TEST_F(Translator, KeysBecomeVirtualKeysWithRepeatAndTime) {
  const struct {
    SDL_Keycode key;
    UINT vk;
  } keys[] = {
      {SDLK_a, 'A'},
      {SDLK_z, 'Z'},
      {SDLK_c, 'C'},
      {SDLK_0, '0'},
      {SDLK_9, '9'},
      {SDLK_F1, VK_F1},
      {SDLK_F12, 0x7B},
      {SDLK_ESCAPE, VK_ESCAPE},
      {SDLK_RETURN, VK_RETURN},
      {SDLK_KP_ENTER, VK_RETURN},
      {SDLK_TAB, VK_TAB},
      {SDLK_LEFT, VK_LEFT},
      {SDLK_RIGHT, VK_RIGHT},
      {SDLK_UP, VK_UP},
      {SDLK_DOWN, VK_DOWN},
      {SDLK_LSHIFT, VK_SHIFT},
      {SDLK_RCTRL, VK_CONTROL},
  };
  for (const auto& k : keys) {
    SCOPED_TRACE(SDL_GetKeyName(k.key));
    auto down = Key(true, k.key, false, 77);
    ASSERT_EQ(down.size(), 1u);
    EXPECT_EQ(down[0].kind, InputKind::KeyDown);
    EXPECT_EQ(down[0].vk, k.vk);
    EXPECT_EQ(down[0].window, kFrame);
    EXPECT_EQ(down[0].time, 77u);
    EXPECT_FALSE(down[0].repeat);
    auto up = Key(false, k.key);
    ASSERT_EQ(up.size(), 1u);
    EXPECT_EQ(up[0].kind, InputKind::KeyUp);
    EXPECT_EQ(up[0].vk, k.vk);
  }
  auto repeated = Key(true, SDLK_RIGHT, true);
  ASSERT_EQ(repeated.size(), 1u);
  EXPECT_TRUE(repeated[0].repeat);
  EXPECT_TRUE(Key(true, SDLK_CAPSLOCK).empty());
}

TEST_F(Translator, OneFingerIsTheLeftButtonAndASecondIsIgnored) {
  // A finger at the middle of the window: pixel (101, 81), logical (50, 40).
  auto down = Finger(SDL_FINGERDOWN, 1, 0.5f, 0.5f);
  ASSERT_EQ(down.size(), 2u);
  EXPECT_EQ(down[0].kind, InputKind::MouseMove);
  EXPECT_EQ(down[0].buttons, 0u);
  EXPECT_EQ(down[1].kind, InputKind::MouseDown);
  EXPECT_EQ(down[1].button, MouseButton::Left);
  EXPECT_EQ(down[1].x, 50);
  EXPECT_EQ(down[1].y, 40);
  EXPECT_EQ(down[1].buttons, MK_LBUTTON);
  EXPECT_EQ(down[1].time, 500u);

  // A resting hand: its finger does nothing while the first is down.
  EXPECT_TRUE(Finger(SDL_FINGERDOWN, 2, 0.1f, 0.1f).empty());
  EXPECT_TRUE(Finger(SDL_FINGERMOTION, 2, 0.2f, 0.2f).empty());
  EXPECT_TRUE(Finger(SDL_FINGERUP, 2, 0.2f, 0.2f).empty());

  auto rub = Finger(SDL_FINGERMOTION, 1, 0.25f, 0.5f);
  ASSERT_EQ(rub.size(), 1u);
  EXPECT_EQ(rub[0].kind, InputKind::MouseMove);
  EXPECT_EQ(rub[0].buttons, MK_LBUTTON);
  EXPECT_EQ(rub[0].x, 25);  // pixel 51 of 0..202, after the margin
  auto up = Finger(SDL_FINGERUP, 1, 0.25f, 0.5f);
  ASSERT_EQ(up.size(), 1u);
  EXPECT_EQ(up[0].kind, InputKind::MouseUp);
  EXPECT_EQ(up[0].buttons, 0u);

  // With the first finger up, the next finger is the button again.
  EXPECT_EQ(Finger(SDL_FINGERDOWN, 2, 0.5f, 0.5f).size(), 2u);
  Finger(SDL_FINGERUP, 2, 0.5f, 0.5f);
  // A finger landing in the margin presses nothing, and does not block others.
  EXPECT_TRUE(Finger(SDL_FINGERDOWN, 3, 0.0f, 0.0f).empty());
  EXPECT_EQ(Finger(SDL_FINGERDOWN, 4, 0.5f, 0.5f).size(), 2u);
}

TEST_F(Translator, MouseEventsMadeFromFingersAreNotCountedTwice) {
  EXPECT_TRUE(Button(true, SDL_BUTTON_LEFT, 11, 11, kFrame, SDL_TOUCH_MOUSEID).empty());
  EXPECT_EQ(t_.buttons(), 0u);
  // The pointer the window system moves along with a finger.
  ASSERT_EQ(Finger(SDL_FINGERDOWN, 1, 0.5f, 0.5f).size(), 2u);
  EXPECT_TRUE(Button(true, SDL_BUTTON_LEFT, 101, 81).empty());
  EXPECT_TRUE(Motion(61, 81).empty());
  ASSERT_EQ(Finger(SDL_FINGERUP, 1, 0.5f, 0.5f).size(), 1u);
  EXPECT_TRUE(Button(false, SDL_BUTTON_LEFT, 101, 81).empty()) << "released once already";
  EXPECT_EQ(t_.buttons(), 0u);
  // The far corner of a window is its last pixel.
  auto corner = Finger(SDL_FINGERDOWN, 2, 1.0f, 1.0f, kBox);
  ASSERT_EQ(corner.size(), 2u);
  EXPECT_EQ(corner[1].window, kBox);
  EXPECT_EQ(corner[1].x, 49);
  EXPECT_EQ(corner[1].y, 39);
}

TEST_F(Translator, WindowEventsAndTheEndOfTheSession) {
  SDL_Event e{};
  e.type = SDL_WINDOWEVENT;
  e.window.windowID = kBox;
  e.window.event = SDL_WINDOWEVENT_CLOSE;
  auto close = Run(e);
  ASSERT_EQ(close.size(), 1u);
  EXPECT_EQ(close[0].kind, InputKind::Close);
  EXPECT_EQ(close[0].window, kBox);
  e.window.event = SDL_WINDOWEVENT_FOCUS_GAINED;
  auto focus = Run(e);
  ASSERT_EQ(focus.size(), 1u);
  EXPECT_EQ(focus[0].kind, InputKind::FocusGained);
  e.window.windowID = 1234;  // not ours
  EXPECT_TRUE(Run(e).empty());

  SDL_Event quit{};
  quit.type = SDL_QUIT;
  auto q = Run(quit);
  ASSERT_EQ(q.size(), 1u);
  EXPECT_EQ(q[0].kind, InputKind::Quit);
}

TEST_F(Translator, AButtonReleasedOverAGoneWindowIsUp) {
  Button(true, SDL_BUTTON_LEFT, 5, 5, kBox);
  EXPECT_EQ(t_.buttons(), MK_LBUTTON);
  EXPECT_TRUE(Button(false, SDL_BUTTON_LEFT, 5, 5, 1234).empty());
  EXPECT_EQ(t_.buttons(), 0u);
}

TEST(Cursors, EnlargedWithSharpPixels) {
  const std::vector<std::uint32_t> argb = {0xFF000000u, 0xFFFFFFFFu, 0x00000000u, 0xFF00FF00u};
  SDL_Surface* s = fw::sdl::ScaledArgbSurface(argb, 2, 2, {3, 1});
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->w, 6);
  EXPECT_EQ(s->h, 6);
  auto at = [s](int x, int y) {
    return static_cast<const std::uint32_t*>(s->pixels)[y * (s->pitch / 4) + x];
  };
  EXPECT_EQ(at(0, 0), 0xFF000000u);
  EXPECT_EQ(at(2, 2), 0xFF000000u);
  EXPECT_EQ(at(3, 0), 0xFFFFFFFFu);
  EXPECT_EQ(at(5, 2), 0xFFFFFFFFu);
  EXPECT_EQ(at(0, 3), 0x00000000u);
  EXPECT_EQ(at(5, 5), 0xFF00FF00u);
  SDL_FreeSurface(s);
  EXPECT_EQ(fw::sdl::ScaledArgbSurface(argb, 3, 2, {2, 1}), nullptr)
      << "fewer pixels than the size";
  EXPECT_EQ(fw::sdl::ScaledArgbSurface(argb, 2, 2, {0, 1}), nullptr);
}

TEST(Cursors, AtAFractionalFactorEachPixelTakesTheSourceUnderItsCorner) {
  const std::vector<std::uint32_t> argb = {0xFF000000u, 0xFFFFFFFFu, 0x00000000u, 0xFF00FF00u};
  // Half as large again: 2 by 2 becomes 3 by 3.
  SDL_Surface* s = fw::sdl::ScaledArgbSurface(argb, 2, 2, {3, 2});
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->w, 3);
  EXPECT_EQ(s->h, 3);
  auto at = [s](int x, int y) {
    return static_cast<const std::uint32_t*>(s->pixels)[y * (s->pitch / 4) + x];
  };
  EXPECT_EQ(at(0, 0), 0xFF000000u);
  EXPECT_EQ(at(1, 0), 0xFF000000u);
  EXPECT_EQ(at(2, 0), 0xFFFFFFFFu);
  EXPECT_EQ(at(2, 2), 0xFF00FF00u);
  SDL_FreeSurface(s);
}

}  // namespace

namespace {

// Every screen pixel whose area lies inside one logical pixel's block maps
// back to it, and a pixel straddling two maps to the first (rounded down),
// along a whole row and column of each screen, at every factor.
TEST(PointerMapping, EveryScreenPixelOfABlockHitsItsLogicalPixel) {
  const int screens[][2] = {{640, 480},   {800, 600},   {1024, 768},  {1280, 720},
                            {1366, 768},  {1600, 900},  {1920, 1080}, {2560, 1440},
                            {3840, 2160}, {5120, 2880}, {1280, 1040}};
  for (const auto& size : screens) {
    SCOPED_TRACE(testing::Message() << size[0] << "x" << size[1]);
    const fw::sdl::ScreenScale s = fw::sdl::ComputeScreenScale(size[0], size[1]);
    fw::sdl::WindowPlacement frame{kFrame,         s.factor,        s.offsetX, s.offsetY,
                                   s.logicalWidth, s.logicalHeight, size[0],   size[1]};
    fw::sdl::InputTranslator t([&](Uint32 id) -> const fw::sdl::WindowPlacement* {
      return id == kFrame ? &frame : nullptr;
    });
    const double f = s.factor.value();
    // Along a row and down a column: the pixel's edges in logical units.
    for (int axis = 0; axis < 2; ++axis) {
      const int n = size[axis];
      const int offset = axis == 0 ? s.offsetX : s.offsetY;
      const int logical = axis == 0 ? s.logicalWidth : s.logicalHeight;
      int mismatches = 0;
      for (int p = 0; p < n; ++p) {
        SDL_Event e{};
        e.type = SDL_MOUSEMOTION;
        e.motion.windowID = kFrame;
        e.motion.x = axis == 0 ? p : s.offsetX;
        e.motion.y = axis == 0 ? s.offsetY : p;
        std::vector<InputEvent> out;
        t.Translate(e, out);
        const double from = (p - offset) / f, to = (p + 1 - offset) / f;
        const int expected = static_cast<int>(std::floor(from + 1e-9));
        if (expected < 0 || expected >= logical) {
          if (!out.empty()) ++mismatches;  // the margin is no logical pixel
          continue;
        }
        if (out.size() != 1) {
          ++mismatches;
          continue;
        }
        const int got = axis == 0 ? out[0].x : out[0].y;
        // Inside one block the answer is that block; straddling, the first.
        const bool inside = std::floor(to - 1e-9) == expected;
        if (got != expected) ++mismatches;
        if (inside && got != static_cast<int>(std::floor((p + 0.5 - offset) / f))) ++mismatches;
      }
      EXPECT_EQ(mismatches, 0) << (axis == 0 ? "across" : "down");
    }
  }
}

}  // namespace
