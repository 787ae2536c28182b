// The script language.
