#!/usr/bin/env python3
"""Writes the installer's WiX source.

  make_wxs.py --version-rc resources/tarnwick.rc [--shell-entries entries.tsv] > Tarnwick.wxs

The sources are named relative to the folder wixl runs in, which holds
TarnwickPro.exe, PellowenShl.dll, tarnwick.exe, tarnwickw.exe and Tarnwick.chm.
The shell extension's registry entries come from the extension's own table
(printed by `shellext_entries`), one per line: ROOT<TAB>KEY<TAB>NAME<TAB>TYPE<TAB>VALUE,
where NAME is empty for a key's default value, TYPE is "string", "integer" or
"key" (a key that holds no value), and VALUE may hold [INSTALLDIR] for the
program folder.
"""
import argparse
import re
import sys
import uuid
from xml.sax.saxutils import quoteattr

# Fixed for the life of the product: upgrades find older versions by it.
UPGRADE_CODE = "{6F1C2B6E-3D7A-4C55-9E2B-8A41D3F0C7A2}"
NAMESPACE = uuid.UUID("5b0e6c1e-2f0b-4d8e-9d55-1c3b8f6a0e42")

# Disc images mount as CD/DVD drives, VHD files as virtual disks. The verb
# lives under SystemFileAssociations, so the default verb of whatever
# program owns an extension stays as it is.
VERBS = [(ext, "cd") for ext in (".iso", ".bin", ".mdf", ".cdi", ".b5i", ".nrg", ".ccd", ".img", ".raw")] + [
    (".vhd", "vhd")]


# Keys that only the programs write; the uninstall deletes them whole.
SETTINGS_KEYS = [("HKLM", "SOFTWARE\\Velthorn\\Pellowen"), ("HKCU", "Software\\Velthorn\\Pellowen")]


def guid(name):
    """A component GUID that stays the same from build to build."""
    return "{" + str(uuid.uuid5(NAMESPACE, name)).upper() + "}"


def rc_version(path):
    text = open(path, encoding="utf-8").read()
    m = re.search(r"^FILEVERSION\s+(\d+)\s*,\s*(\d+)\s*,\s*(\d+)\s*,\s*(\d+)", text, re.M)
    if not m:
        sys.exit("make_wxs: no FILEVERSION in " + path)
    return ".".join(m.groups()[:3])


def a(value):
    return quoteattr(value)


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--version-rc", required=True)
    p.add_argument("--shell-entries")
    o = p.parse_args()
    version = rc_version(o.version_rc)
    out = []
    w = out.append
    w('<?xml version="1.0" encoding="utf-8"?>')
    w('<Wix xmlns="http://schemas.microsoft.com/wix/2006/wi">')
    w(f'  <Product Id="*" Name="Velthorn Tarnwick" Language="1033" Version="{version}" Manufacturer="Velthorn"'
      f' UpgradeCode="{UPGRADE_CODE}">')
    w('    <Package InstallerVersion="200" Compressed="yes" InstallScope="perMachine"'
      ' Description="Velthorn Tarnwick storage manager"/>')
    w('    <Media Id="1" Cabinet="tarnwick.cab" EmbedCab="yes"/>')
    w('    <MajorUpgrade DowngradeErrorMessage="A newer version of Velthorn Tarnwick is already installed."/>')
    w('    <Icon Id="TarnwickIcon" SourceFile="TarnwickPro.exe"/>')
    w('    <Property Id="ARPPRODUCTICON" Value="TarnwickIcon"/>')
    w('    <Property Id="ARPHELPLINK" Value="http://www.velthorn.com/"/>')
    w('    <Directory Id="TARGETDIR" Name="SourceDir">')
    w('      <Directory Id="ProgramFiles64Folder">')
    w('        <Directory Id="VelthornFolder" Name="Velthorn">')
    w('          <Directory Id="INSTALLDIR" Name="Tarnwick">')
    # wixl reads sources relative to where it runs: the build script stages them.
    files = [(n, n) for n in ("TarnwickPro.exe", "PellowenShl.dll", "tarnwick.exe", "tarnwickw.exe", "Tarnwick.chm")]
    for name, source in files:
        cid = "C_" + re.sub(r"\W", "_", name)
        w(f'            <Component Id="{cid}" Guid="{guid(name)}" Win64="yes">')
        w(f'              <File Id="F_{cid[2:]}" Name="{name}" Source={a(source)} KeyPath="yes"/>')
        w('            </Component>')
    w('          </Directory>')
    w('        </Directory>')
    w('      </Directory>')
    w('      <Directory Id="ProgramMenuFolder">')
    w('        <Directory Id="MenuFolder" Name="Velthorn Tarnwick">')
    w(f'          <Component Id="C_Shortcut" Guid="{guid("shortcut")}" Win64="yes">')
    w('            <Shortcut Id="S_Manager" Name="Tarnwick Pro" Description="Velthorn Tarnwick storage manager"'
      ' Target="[INSTALLDIR]TarnwickPro.exe" WorkingDirectory="INSTALLDIR"/>')
    w('            <RemoveFolder Id="R_MenuFolder" On="uninstall"/>')
    w('            <RegistryValue Root="HKLM" Key="Software\\Velthorn\\Tarnwick" Name="Shortcut" Type="integer"'
      ' Value="1" KeyPath="yes"/>')
    w('          </Component>')
    w('        </Directory>')
    w('      </Directory>')
    # Registry: the shell verbs and the extension's entries.
    w(f'      <Component Id="C_Verbs" Guid="{guid("verbs")}" Win64="yes">')
    w('        <RegistryValue Root="HKLM" Key="Software\\Velthorn\\Tarnwick" Name="InstallDir" Type="string"'
      ' Value="[INSTALLDIR]" KeyPath="yes"/>')
    # The settings the programs write of their own accord go with the product:
    # a row named "-" without a value deletes its key, and everything under
    # it, when the component is removed (HKCU: the user who uninstalls).
    for root, key in SETTINGS_KEYS:
        w(f'        <RegistryValue Root="{root}" Key={a(key)} Name="-" Type="string" Value=""/>')
    for ext, kind in VERBS:
        key = f"Software\\Classes\\SystemFileAssociations\\{ext}\\shell\\TarnwickMount"
        w(f'        <RegistryValue Root="HKLM" Key={a(key)} Type="string" Value="Mount"/>')
        w(f'        <RegistryValue Root="HKLM" Key={a(key)} Name="Icon" Type="string"'
          f' Value="[INSTALLDIR]TarnwickPro.exe,0"/>')
        command = f'"[INSTALLDIR]tarnwickw.exe" mount {kind} "%1"'
        w(f'        <RegistryValue Root="HKLM" Key={a(key + chr(92) + "command")} Type="string" Value={a(command)}/>')
    w('      </Component>')
    if o.shell_entries:
        w(f'      <Component Id="C_ShellExtension" Guid="{guid("shell-extension")}" Win64="yes">')
        w('        <RegistryValue Root="HKLM" Key="Software\\Velthorn\\Tarnwick" Name="ShellExtension" Type="integer"'
          ' Value="1" KeyPath="yes"/>')
        for line in open(o.shell_entries, encoding="utf-8"):
            line = line.rstrip("\r\n")
            if not line:
                continue
            root, key, name, kind, value = line.split("\t")
            if kind == "key":  # a key without values: an empty row creates it
                kind, name, value = "string", "", ""
            attrs = f'Root="{root}" Key={a(key)} Type="{kind}" Value={a(value)}'
            if name:
                attrs += f" Name={a(name)}"
            w(f'        <RegistryValue {attrs}/>')
        w('      </Component>')
    w('    </Directory>')
    # The Run value shares its key with other programs, so no table row can
    # remove it alone: one deferred action does, inside the install script as
    # Windows requires, as SYSTEM, and with --quiet so that a failure never
    # opens a message box on a desktop nobody sees. A fixed number: wixl
    # does not place Before/After as WiX does (the package test checks it).
    w('    <CustomAction Id="ForgetStartCommand" FileKey="F_tarnwickw_exe"'
      ' ExeCommand="--quiet forget-settings --machine" Execute="deferred" Impersonate="no" Return="ignore"/>')
    w('    <InstallExecuteSequence>')
    w('      <Custom Action="ForgetStartCommand" Sequence="2590">'
      'REMOVE="ALL" AND NOT UPGRADINGPRODUCTCODE</Custom>')
    w('    </InstallExecuteSequence>')
    w('    <Feature Id="Complete" Level="1">')
    for cid in ["C_TarnwickPro_exe", "C_PellowenShl_dll", "C_tarnwick_exe", "C_tarnwickw_exe", "C_Tarnwick_chm",
                "C_Shortcut", "C_Verbs"] + (["C_ShellExtension"] if o.shell_entries else []):
        w(f'      <ComponentRef Id="{cid}"/>')
    w('    </Feature>')
    w('  </Product>')
    w('</Wix>')
    print("\n".join(out))


if __name__ == "__main__":
    main()
