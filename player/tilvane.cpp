// The screen saver: the player program, followed in every screen saver file by its package.
#include "flash/ShockwaveFlash.hpp"
#include "gif/picture/picture.hpp"
#include "player/tilvaneUnit.hpp"
#include "win/application.hpp"
#include "win/stdctrls.hpp"

int main() {
  win::TApplication application;
  win::RegisterStandardControls();
  // GIF pictures open by their extension for the whole run.
  qt::TGIFPictureRegistration gifPictures;
  qt::RegisterFlashClasses();
  try {
    application.CreateForm<TfscrForm>();
  } catch (const std::exception& e) {
    application.ShowException(e);
    return 1;
  }
  application.Run();
  return 0;
}
