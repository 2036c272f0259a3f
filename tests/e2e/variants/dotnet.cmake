# Builds with other .NET Framework requirement entries, for the end-to-end tests.
kitbag_add_installer(KitbagInstaller-net35sp2 DOTNET -1 -1 2 -1 -1 -1 -1)
kitbag_add_installer(KitbagInstaller-net4full DOTNET -1 -1 -1 -1 0 -1 -1)
