#pragma once
#include <string>
#include <vector>

#include "core/frame_stages.h"

class vK_Object;
class vK_Render;
struct vK_FrameInfo;

// The engine cursor: the pointer position, whether the pointer is over the window, and
// the cursor images a script loaded. One instance, created by the platform engine.
class vK_Cursor {
public:
    static vK_Cursor* Instance();
    vK_Cursor();
    virtual ~vK_Cursor();
    vK_Cursor(const vK_Cursor&) = delete;
    vK_Cursor& operator=(const vK_Cursor&) = delete;

    // Appends an image entry for file (file + ".png" becomes a sprite); number names a
    // system cursor shape.
    virtual void LoadImage(const std::string& file, int number);
    // Makes index current when it is a valid entry other than the current one.
    virtual void SelectImage(int index);
    // Stores the pointer position and clears the hidden flag.
    virtual void SetPosition(float x, float y);

    void DrawCursor(vK_Render& render);
    void UpdateCursor(const vK_FrameInfo& frame);

    float GetX() const { return x_; }
    float GetY() const { return y_; }
    int GetCurrentIndex() const { return index_; }
    int GetImageCount() const { return static_cast<int>(entries_.size()); }
    bool IsHidden() const { return hidden_; }
    void SetHidden(bool hidden) { hidden_ = hidden; }
    bool IsSystem() const { return system_; }
    void SetSystem(bool system) { system_ = system; }

protected:
    struct Entry {
        bool isAnimation = false;
        // The image object: a loose object (never in the scene tree) that the cursor
        // destroys with itself; nullptr when the file named no image.
        vK_Object* object = nullptr;
    };
    std::vector<Entry> entries_;
    float x_ = 0.0f;
    float y_ = 0.0f;
    float z_ = 0.0f;
    int index_ = -1;
    bool system_ = false;
    bool hidden_ = true;

private:
    // The frame stages the cursor serves (follow and report the pointer, update, draw).
    std::vector<vK_FrameStages::Registration> stages_;
};
