# Builds with other settings, for the end-to-end tests.
kitbag_add_installer(KitbagInstaller-bigdisk DISK_MB 2147483647)
kitbag_add_installer(KitbagInstaller-user ADMIN_INSTALL 0)
