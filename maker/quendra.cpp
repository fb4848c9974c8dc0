// The maker: writes screen saver files made of the player program and the user's content.
#include "flash/ShockwaveFlash.hpp"
#include "gif/picture/picture.hpp"
#include "maker/quendraUnit.hpp"
#include "win/application.hpp"
#include "win/stdctrls.hpp"

int main() {
  win::TApplication application;
  application.SetTitle("Lumvexa－专业屏保制作工具");
  win::RegisterStandardControls();
  // GIF pictures open by their extension for the whole run.
  qt::TGIFPictureRegistration gifPictures;
  qt::RegisterFlashClasses();
  try {
    application.CreateForm<TForm1>();
  } catch (const std::exception& e) {
    application.ShowException(e);
    return 1;
  }
  application.Run();
  return 0;
}
