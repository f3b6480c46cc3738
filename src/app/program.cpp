#include "app/application.h"
#include "app/register_main.h"

int main(int argc, char** argv) {
  brisvel::Application application(argc, argv);
  brisvel::TRegisterForm RegisterForm;
  RegisterForm.show();
  return application.exec();
}
