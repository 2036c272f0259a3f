# KitbagInstaller-stub.exe: the installer with the default settings and no payload, unsigned
# and without symbols. kitbag-pack writes a product's files and settings into a copy of it.
kitbag_installer_resources(KitbagInstaller-stub stub_resources)
kitbag_link_installer(KitbagInstaller-stub UNSIGNED STRIP OBJECTS ${stub_resources} DEPENDS KitbagInstaller-stub-resources)
add_subdirectory(${CMAKE_SOURCE_DIR}/shipping ${CMAKE_BINARY_DIR}/shipping)
