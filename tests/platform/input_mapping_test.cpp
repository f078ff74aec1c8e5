#include <SDL.h>
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "core/application.h"
#include "core/input_event.h"
#include "core/input_listener.h"
#include "core/vrakko.h"
#include "platform/key_map.h"
#include "platform/vrakko_impl.h"
#include "scene/cursor.h"

namespace {

TEST(KeyMap, EngineCodesFollowTheVirtualKeyTable) {
    struct Case {
        SDL_Keycode key;
        int code;
    };
    const Case cases[] = {
        {SDLK_ESCAPE, 27},
        {SDLK_INSERT, 0},
        {SDLK_F10, 121},
        {SDLK_F1, 112},
        {SDLK_F12, 123},
        {SDLK_F13, 0},
        {SDLK_BACKSPACE, 8},
        {SDLK_TAB, 9},
        {SDLK_RETURN, 13},
        {SDLK_KP_ENTER, 13},
        {SDLK_LSHIFT, 16},
        {SDLK_RCTRL, 17},
        {SDLK_PAUSE, 19},
        {SDLK_CAPSLOCK, 20},
        {SDLK_SPACE, 32},
        {SDLK_PAGEUP, 33},
        {SDLK_DOWN, 40},
        {SDLK_DELETE, 46},
        {SDLK_0, 48},
        {SDLK_9, 57},
        {SDLK_a, 65},
        {SDLK_z, 90},
        {SDLK_LGUI, 91},
        {SDLK_APPLICATION, 93},
        {SDLK_KP_0, 96},
        {SDLK_KP_9, 105},
        {SDLK_KP_MULTIPLY, 106},
        {SDLK_KP_PLUS, 107},
        {SDLK_KP_MINUS, 109},
        {SDLK_KP_PERIOD, 110},
        {SDLK_KP_DIVIDE, 111},
        {SDLK_NUMLOCKCLEAR, 144},
        {SDLK_SCROLLLOCK, 145},
        {SDLK_SEMICOLON, 186},
        {SDLK_BACKQUOTE, 192},
        {SDLK_LEFTBRACKET, 219},
        {SDLK_QUOTE, 222},
        {SDLK_PRINTSCREEN, 0},
        {SDLK_LALT, 0},
        {SDLK_MENU, 0},
    };
    for (const Case& c : cases) EXPECT_EQ(vK_EngineKeyCode(c.key), c.code) << SDL_GetKeyName(c.key);
}

TEST(KeyMap, WheelCodeCarriesDeltaInTheHighWord) {
    EXPECT_EQ(vK_WheelCode(1, 0), 120 << 16);
    EXPECT_EQ(static_cast<uint32_t>(vK_WheelCode(-1, kWheelShift)), 0xFF880004u);
    EXPECT_EQ(vK_WheelCode(2, kWheelLeftButton | kWheelControl), (240 << 16) | 9);
}

class Recorder : public vK_InputListener {
public:
    void OnPostInput(const vK_InputEvent& e) override { events.push_back(e); }
    std::vector<vK_InputEvent> events;
};

class App : public vK_Application {
public:
    void OnProcess(const vK_FrameInfo&) override {}
    vK_DisplayMode GetDisplayMode(bool fullscreen) override {
        vK_DisplayMode m;
        m.fullscreen = fullscreen;
        m.width = 640;
        m.height = 480;
        return m;
    }
};

struct PlatformEvents : ::testing::Test {
    PlatformEvents() { engine.AddInputListener(&recorder); }
    SDL_Event Key(Uint32 type, SDL_Keycode key, Uint16 mod = KMOD_NONE) {
        SDL_Event e{};
        e.type = type;
        e.key.keysym.sym = key;
        e.key.keysym.mod = mod;
        return e;
    }
    SDL_Event Mouse(Uint32 type, int x, int y, Uint8 button = SDL_BUTTON_LEFT) {
        SDL_Event e{};
        e.type = type;
        if (type == SDL_MOUSEMOTION) {
            e.motion.x = x;
            e.motion.y = y;
        } else {
            e.button.button = button;
            e.button.x = x;
            e.button.y = y;
        }
        return e;
    }
    SDL_Event Window(Uint8 what) {
        SDL_Event e{};
        e.type = SDL_WINDOWEVENT;
        e.window.event = what;
        return e;
    }
    static std::unique_ptr<vK_Platform> MakeSdl(Vrakko_Impl*& out) {
        auto platform = std::make_unique<Vrakko_Impl>();
        out = platform.get();
        return platform;
    }
    Vrakko_Impl* sdl = nullptr;
    Vrakko engine{MakeSdl(sdl)};  // the engine on the SDL platform, as start-up makes it
    Recorder recorder;
};

TEST_F(PlatformEvents, KeysTextAndSystemKeys) {
    struct Case {
        SDL_Event event;
        std::vector<std::pair<int, int>> expected;  // (type, key) of each event sent
    };
    const std::vector<Case> cases = {
        {Key(SDL_KEYDOWN, SDLK_ESCAPE), {{0, 27}}},
        {Key(SDL_KEYUP, SDLK_ESCAPE), {{2, 27}}},
        {Key(SDL_KEYDOWN, SDLK_INSERT), {{0, 0}}},
        {Key(SDL_KEYDOWN, SDLK_LALT, KMOD_LALT), {{0, 18}}},
        {Key(SDL_KEYUP, SDLK_LALT), {}},
        {Key(SDL_KEYDOWN, SDLK_F10), {{0, 121}}},
        {Key(SDL_KEYUP, SDLK_F10), {}},
        {Key(SDL_KEYDOWN, SDLK_a, KMOD_LALT), {}},
    };
    for (const Case& c : cases) {
        recorder.events.clear();
        EXPECT_TRUE(sdl->HandleEvent(c.event));
        ASSERT_EQ(recorder.events.size(), c.expected.size()) << c.event.key.keysym.sym;
        for (size_t i = 0; i < c.expected.size(); ++i) {
            EXPECT_EQ(static_cast<int>(recorder.events[i].type), c.expected[i].first);
            EXPECT_EQ(recorder.events[i].key, c.expected[i].second);
        }
    }
    recorder.events.clear();
    SDL_Event text{};
    text.type = SDL_TEXTINPUT;
    std::strcpy(text.text.text, "a\xC3\xA9\xF0\x9F\x99\x82");  // a, e acute, an emoji
    sdl->HandleEvent(text);
    std::vector<int> codes;
    for (const auto& e : recorder.events) codes.push_back(e.code);
    EXPECT_EQ(codes, (std::vector<int>{'a', 0xE9, 0xD83D, 0xDE42}));
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    EXPECT_FALSE(sdl->HandleEvent(quit));
}

TEST_F(PlatformEvents, PointerEventsLeftButtonOnlyAndLeaveHidesTheCursor) {
    vK_Cursor* cursor = vK_Cursor::Instance();
    ASSERT_NE(cursor, nullptr);
    EXPECT_TRUE(cursor->IsHidden());
    sdl->HandleEvent(Mouse(SDL_MOUSEMOTION, 10, 20));
    sdl->HandleEvent(Mouse(SDL_MOUSEBUTTONDOWN, 11, 21));
    sdl->HandleEvent(Mouse(SDL_MOUSEBUTTONUP, 12, 22));
    sdl->HandleEvent(Mouse(SDL_MOUSEBUTTONDOWN, 13, 23, SDL_BUTTON_RIGHT));
    ASSERT_EQ(recorder.events.size(), 3u);
    const int types[] = {5, 3, 4};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(static_cast<int>(recorder.events[i].type), types[i]);
        EXPECT_EQ(recorder.events[i].key, 0xF00);
        EXPECT_FLOAT_EQ(recorder.events[i].x, 10.0f + i);
    }
    EXPECT_FALSE(cursor->IsHidden());
    EXPECT_FLOAT_EQ(cursor->GetX(), 12.0f);

    recorder.events.clear();
    sdl->HandleEvent(Window(SDL_WINDOWEVENT_LEAVE));
    ASSERT_EQ(recorder.events.size(), 1u);
    EXPECT_EQ(static_cast<int>(recorder.events[0].type), 6);
    EXPECT_FLOAT_EQ(recorder.events[0].x, 12.0f);
    EXPECT_FLOAT_EQ(recorder.events[0].y, 22.0f);
    EXPECT_TRUE(cursor->IsHidden());
    sdl->HandleEvent(Mouse(SDL_MOUSEMOTION, 1, 1));
    EXPECT_FALSE(cursor->IsHidden());

    recorder.events.clear();
    SDL_Event wheel{};
    wheel.type = SDL_MOUSEWHEEL;
    wheel.wheel.y = -1;
    sdl->HandleEvent(wheel);
    ASSERT_EQ(recorder.events.size(), 1u);
    EXPECT_EQ(static_cast<int>(recorder.events[0].type), 7);
    EXPECT_EQ(static_cast<uint32_t>(recorder.events[0].code) >> 16, 0xFF88u);
    EXPECT_FLOAT_EQ(recorder.events[0].x, 1.0f);
}

TEST_F(PlatformEvents, FocusChangesActivateOnce) {
    sdl->HandleEvent(Window(SDL_WINDOWEVENT_FOCUS_GAINED));
    sdl->HandleEvent(Window(SDL_WINDOWEVENT_FOCUS_GAINED));
    sdl->HandleEvent(Window(SDL_WINDOWEVENT_FOCUS_LOST));
    sdl->HandleEvent(Window(SDL_WINDOWEVENT_FOCUS_LOST));
    ASSERT_EQ(recorder.events.size(), 2u);
    EXPECT_EQ(static_cast<int>(recorder.events[0].type), 8);
    EXPECT_EQ(static_cast<int>(recorder.events[1].type), 9);
}

TEST_F(PlatformEvents, AltReturnRunsTheDisplayModeProtocol) {
    App app;
    engine.SetApplication(&app);
    EXPECT_TRUE(sdl->HandleEvent(Key(SDL_KEYDOWN, SDLK_RETURN, KMOD_LALT)));
    EXPECT_TRUE(engine.IsFullscreen());
    EXPECT_EQ(engine.GetWidth(), 640);
    sdl->HandleEvent(Key(SDL_KEYDOWN, SDLK_RETURN, KMOD_RALT));
    EXPECT_FALSE(engine.IsFullscreen());
    engine.SetApplication(nullptr);
}

// Typed text is decoded like every other UTF-8 text: each malformed sequence is one
// U+FFFD character and the text goes on after it.
TEST_F(PlatformEvents, TextInputReplacesMalformedBytes) {
    SDL_Event text{};
    text.type = SDL_TEXTINPUT;
    std::strcpy(text.text.text,
                "\xFF"
                "a\xE4\xB8"
                "b\xC0\xAF");
    sdl->HandleEvent(text);
    std::vector<int> codes;
    for (const auto& e : recorder.events) codes.push_back(e.code);
    EXPECT_EQ(codes, (std::vector<int>{0xFFFD, 'a', 0xFFFD, 'b', 0xFFFD}));
}

}  // namespace
