#pragma once
#include "flash/movie_backend.hpp"
#include "win/control.hpp"

#include <memory>

namespace qt {

// The Shockwave Flash movie control with the members the programs use. Its movie is played by
// the registered ActiveX control when there is one, else by the built-in stand-in; either is
// set up once the layout is read (or on first use) and covers the control's window.
class TShockwaveFlash : public win::TControl {
public:
  explicit TShockwaveFlash(win::TComponent* owner);
  ~TShockwaveFlash() override;

  // Full path of a local SWF file.
  void SetMovie(const std::wstring& path);
  void SetLoop(bool loop);
  void SetBackgroundColor(int32_t color);
  void SetBGColor(const std::string& color);
  int32_t ReadyState();
  int32_t TotalFrames();
  void Play();
  void Forward();
  void Rewind();
  int32_t CurrentFrame();
  bool IsPlaying();
  void DoShowVerb();

  void Loaded() override;

  static const win::PropertyTable& ClassProperties();
  const win::PropertyTable& Properties() const override { return ClassProperties(); }

protected:
  void Resized() override;
  LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;

private:
  MovieBackend& Backend();

  // What the layout stores (WMode, Quality, Scale, BGColor): it reaches the control when that is
  // set up.
  StoredMovieData stored_;
  std::unique_ptr<MovieBackend> backend_;
};

// Makes TShockwaveFlash known to layouts.
void RegisterFlashClasses();

} // namespace qt
