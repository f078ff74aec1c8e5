#pragma once
#include <cstddef>
#include <deque>
#include <string>
#include <vector>

class vK_DevCanvas;
struct lua_State;
struct vK_InputEvent;

// The overlay's console: one input line that runs Lua in the game's state and prints
// the results or the error, with a history of the lines run. While it exists, the
// script global print writes its line to the log and to the console (it is restored
// when the console goes). A line is tried as an expression first ("1+1" prints 2),
// then as a statement.
class vK_DevConsole {
public:
    static constexpr size_t kMaxOutput = 400;
    static constexpr size_t kMaxHistory = 100;

    vK_DevConsole();
    ~vK_DevConsole();
    vK_DevConsole(const vK_DevConsole&) = delete;
    vK_DevConsole& operator=(const vK_DevConsole&) = delete;

    // Runs one line: echoes it, prints the results or the error, adds it to the
    // history. Returns the printed answer (results joined by tabs, or the error text).
    std::string Run(const std::string& line);
    // Keys and characters of the input line; true when used.
    bool Key(const vK_InputEvent& event);

    void Print(const std::string& text, bool error = false);
    struct Line {
        std::string text;
        bool error = false;
    };
    const std::deque<Line>& GetOutput() const { return output_; }
    const std::vector<std::string>& GetHistory() const { return history_; }
    const std::string& GetInput() const { return input_; }
    void SetInput(const std::string& text) {
        input_ = text;
        cursor_ = input_.size();
    }

    void Draw(vK_DevCanvas& canvas, float x, float y, float w, float h);

private:
    void InstallPrint();
    void RestorePrint();
    void Recall(int step);
    static int PrintHook(lua_State* L);

    std::deque<Line> output_;
    std::vector<std::string> history_;
    size_t historyPos_ = 0;  // history_.size() = the line being typed
    std::string input_;
    size_t cursor_ = 0;           // byte offset in input_
    size_t scroll_ = 0;           // output lines hidden below the view
    lua_State* state_ = nullptr;  // where print is replaced
    int oldPrint_ = -2;           // registry reference of the script's print (LUA_NOREF)
};
