#include "player/links.hpp"

namespace qt {

std::optional<std::string> LinkCommand(std::string_view target) {
  if (target.empty()) return std::nullopt;
  if (target.starts_with("http")) return std::string(target);
  return "mailto:" + std::string(target);
}

std::string SendToFriendMail(std::string_view programPath) {
  return "mailto:?body=如果要发送本屏保,请将 " + std::string(programPath) + " 作为附件。" +
         "收到邮件后将附件中的scr文件保存到本地后用鼠标右键点击即可安装。";
}

} // namespace qt
