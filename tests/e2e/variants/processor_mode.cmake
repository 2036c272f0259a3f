# Builds for other processor modes of the wizard.
kitbag_add_installer(KitbagInstaller-x64 PROGRAM_TYPE x64)
kitbag_add_installer(KitbagInstaller-x32only PROGRAM_TYPE x32Only)
